#!/usr/bin/env bash
# Load test of the reference cloud on loopback with wrk: uploads of realistic verification
# messages (one 480 x 640 JPEG of a photograph at quality 100 each) over 16 connections,
# each prepared session used once. Reports uploads per second, p50/p99 latency, errors, and
# checks that every accepted upload was stored.
#   scripts/cloud-load.sh [build dir (build)] [sessions (600)] [seconds (15)]
# Needs kyld-cloud and kyld-cloud-prepare built in the build dir.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
sessions=${2:-600}
seconds=${3:-15}
cloud=$build/tools/kyld-cloud/kyld-cloud
prepare=$build/tools/kyld-cloud/kyld-cloud-prepare
cert=$build/kyld-cloud-dev-tls/cert.pem
for needed in "$cloud" "$prepare" "$cert"; do
  [ -e "$needed" ] || { echo "missing $needed: cmake --build $build --target kyld-cloud kyld-cloud-prepare"; exit 2; }
done

work=$(mktemp -d)
port=$((20000 + RANDOM % 20000))
"$cloud" --listen "127.0.0.1:$port" --db "$work/cloud.db" --token-lifetime 3600 >"$work/cloud.log" 2>&1 &
cloud_pid=$!
cleanup() {
  kill "$cloud_pid" 2>/dev/null || true
  wait "$cloud_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

for _ in $(seq 100); do
  (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done

echo "== preparing $sessions sessions"
"$prepare" --cloud "127.0.0.1:$port" --ca "$cert" --count "$sessions" --out "$work/bodies.txt"

# CPU seconds the server has used so far (user + system), independent of other load on the machine.
server_cpu() { awk -v hz="$(getconf CLK_TCK)" '{printf "%.2f", ($14 + $15) / hz}' "/proc/$cloud_pid/stat"; }
cpu_before=$(server_cpu)

echo "== wrk: 2 threads, 16 connections, ${seconds}s"
wrk -t2 -c16 -d"${seconds}s" --timeout 60s -s tools/kyld-cloud/load/rotate.lua "https://127.0.0.1:$port" \
  -- "$work/bodies.txt" 2 | tee "$work/wrk.txt"

# Let the server finish the requests still in flight, then count what it stored.
sleep 1
cpu_after=$(server_cpu)
kill "$cloud_pid"
wait "$cloud_pid" || true
accepted=$(awk '/^accepted/ {print $2}' "$work/wrk.txt")
refused=$(awk '/^refused/ {print $2}' "$work/wrk.txt")
exhausted=$(awk '/^exhausted/ {print $2}' "$work/wrk.txt")
stored=$(sqlite3 "$work/cloud.db" "SELECT COUNT(*) FROM kyld_records")
passed=$(sqlite3 "$work/cloud.db" "SELECT COUNT(*) FROM kyld_records WHERE verdict = 'pass'")
echo "== stored $stored records ($passed pass) for $accepted accepted uploads"
awk -v a="$cpu_before" -v b="$cpu_after" -v n="$stored" \
  'BEGIN { if (n > 0) printf "server CPU %.1f s, %.0f ms per stored upload\n", b - a, 1000 * (b - a) / n }'
echo "machine load while measuring: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "$exhausted" != 0 ]; then echo "prepared sessions ran out: raise the session count"; exit 1; fi
errors=$(awk '/^socket errors/ {print $3}' "$work/wrk.txt")
if [ "$refused" != 0 ] || [ "$errors" != 0 ]; then echo "FAIL: $refused uploads refused, $errors socket errors"; exit 1; fi
# Uploads still in flight when wrk stopped are stored without being counted as accepted.
if [ "$stored" -lt "$accepted" ]; then echo "FAIL: accepted uploads were lost"; exit 1; fi
echo "OK"
