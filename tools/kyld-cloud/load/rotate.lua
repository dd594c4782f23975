-- wrk script for the upload load test: each prepared body (token and sealed message) is sent
-- once, since the cloud accepts a token only once. Bodies are shared out between the threads.
--   wrk ... -s rotate.lua https://HOST:PORT -- BODIES_FILE THREADS
local threads = {}
local nextId = 0

function setup(thread)
  thread:set("id", nextId)
  nextId = nextId + 1
  table.insert(threads, thread)
end

function init(args)
  local path, threadCount = args[1], tonumber(args[2])
  bodies = {}
  local n = 0
  for line in io.lines(path) do
    if n % threadCount == id then table.insert(bodies, line) end
    n = n + 1
  end
  position, accepted, refused, exhausted = 1, 0, 0, 0
  wrk.method = "POST"
  wrk.path = "/livingdetection/rpverifyh5/public/uploadVerifyMsg"
  wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
end

function request()
  local body = bodies[position]
  if body == nil then
    exhausted = exhausted + 1
    body = "token=&verifyMsg="
  else
    position = position + 1
  end
  return wrk.format(nil, nil, nil, body)
end

function response(status, headers, body)
  if status == 200 and string.find(body, '"code":"0000"', 1, true) then
    accepted = accepted + 1
  else
    refused = refused + 1
  end
end

function done(summary, latency, requests)
  local a, r, e = 0, 0, 0
  for _, thread in ipairs(threads) do
    a = a + thread:get("accepted")
    r = r + thread:get("refused")
    e = e + thread:get("exhausted")
  end
  io.write(string.format("accepted %d\nrefused %d\nexhausted %d\n", a, r, e))
  io.write(string.format("uploads/s %.1f\n", a / (summary.duration / 1e6)))
  io.write(string.format("p50 %.0f ms\np99 %.0f ms\n", latency:percentile(50) / 1000, latency:percentile(99) / 1000))
  io.write(string.format("socket errors %d\n", summary.errors.connect + summary.errors.read + summary.errors.write +
                                                summary.errors.timeout))
end
