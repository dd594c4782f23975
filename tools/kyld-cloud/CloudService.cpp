#include "CloudService.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <iostream>
#include <memory>

#include "CloudCodec.h"

namespace {

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

struct Code {
  const char* code;
  int status;
  const char* message;
};

const Code kCodes[] = {
    {"0000", 200, "ok"},
    {"1001", 400, "missing or oversized field"},
    {"1002", 404, "unknown token"},
    {"1003", 410, "token expired"},
    {"1004", 409, "token already used"},
    {"1005", 400, "message could not be read"},
    {"1006", 429, "too many failures, try again later"},
    {"1007", 404, "unknown record"},
    {"1009", 500, "internal error"},
};

const Code& codeOf(const std::string& code) {
  for (const auto& c : kCodes) {
    if (code == c.code) return c;
  }
  return kCodes[8];
}

std::string print(cJSON* object) {
  char* text = cJSON_PrintUnformatted(object);
  std::string json = text ? text : "{}";
  cJSON_free(text);
  return json;
}

// An answer with "code" and "msg", and the members `fill` adds.
CloudReply reply(const std::string& code, const std::function<void(cJSON*)>& fill = {}) {
  const Code& c = codeOf(code);
  JsonPtr object(cJSON_CreateObject(), cJSON_Delete);
  cJSON_AddStringToObject(object.get(), "code", c.code);
  cJSON_AddStringToObject(object.get(), "msg", c.message);
  if (fill) fill(object.get());
  return {c.status, print(object.get())};
}

bool fits(const Field& field, size_t maxBytes) { return field && !field->empty() && field->size() <= maxBytes; }

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

int64_t systemSeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace

CloudService::CloudService(CloudKeys keys, CloudStore& store, CloudSettings settings, Clock clock, Logger logger)
    : keys_(std::move(keys)),
      store_(store),
      settings_(settings),
      issuer_(keys_, settings.issue),
      limiter_(settings.failures),
      clock_(clock ? std::move(clock) : Clock(systemSeconds)),
      logger_(logger ? std::move(logger) : Logger([](const std::string& line) { std::cerr << line << '\n'; })),
      judgeGate_(std::max(1u, std::thread::hardware_concurrency())) {}

CloudReply CloudService::guarded(const char* endpoint, const std::function<CloudReply()>& work) {
  try {
    return work();
  } catch (const std::exception& error) {
    // Only the first line: database errors may quote the values of the failed statement.
    logger_(std::string(endpoint) + ": internal error: " + firstLine(error.what()));
    return reply("1009");
  }
}

CloudReply CloudService::failure(const std::string& subject, const char* code, int64_t now) {
  limiter_.recordFailure(subject, now);
  return reply(code);
}

CloudReply CloudService::init(const Field& initMsg, const std::string& client) {
  return guarded("init", [&] {
    int64_t now = clock_();
    std::string clientSubject = "addr:" + client;
    if (!limiter_.allowed(clientSubject, now)) return reply("1006");
    if (!fits(initMsg, settings_.maxInitBytes)) return failure(clientSubject, "1001", now);
    InitReading reading = issuer_.issue(*initMsg, now);
    std::string subject = reading.deviceId.empty() ? clientSubject : "device:" + md5Hex(reading.deviceId);
    if (!limiter_.allowed(subject, now)) return reply("1006");
    if (!reading.session) {
      logger_("init: refused an unreadable initialisation message from " + client);
      return failure(subject, "1005", now);
    }
    const CloudSession& session = *reading.session;
    store_.addSession(session);
    logger_("init: issued session " + session.sessionId.substr(0, 6) + "... actions " + std::to_string(session.actions));
    return reply("0000", [&](cJSON* o) {
      cJSON_AddStringToObject(o, "token", session.token.c_str());
      cJSON_AddNumberToObject(o, "expireTime", static_cast<double>(session.expiresAt));
      cJSON_AddNumberToObject(o, "livingType", static_cast<double>(session.actions));
    });
  });
}

CloudReply CloudService::upload(const Field& token, const Field& verifyMsg, const std::string& client) {
  return guarded("upload", [&] {
    int64_t now = clock_();
    std::string clientSubject = "addr:" + client;
    if (!limiter_.allowed(clientSubject, now)) return reply("1006");
    if (!fits(token, settings_.maxTokenBytes) || !fits(verifyMsg, settings_.maxVerifyMsgBytes)) {
      return failure(clientSubject, "1001", now);
    }
    auto session = store_.findSession(*token);
    if (!session) return failure(clientSubject, "1002", now);
    std::string deviceSubject = "device:" + session->deviceDigest;
    if (!limiter_.allowed(deviceSubject, now)) return reply("1006");
    if (now > session->expiresAt) return failure(deviceSubject, "1003", now);
    // Claimed before reading: a token buys exactly one attempt, successful or not.
    if (!store_.claimSession(*token)) return failure(deviceSubject, "1004", now);
    auto evidence = readVerifyMessage(*verifyMsg, session->shareKey, keys_.fixedIv(), settings_.upload);
    if (!evidence) {
      logger_("upload: unreadable message for session " + session->sessionId.substr(0, 6) + "...");
      return failure(deviceSubject, "1005", now);
    }
    std::string recId = judgeAndStore(*session, *evidence, now, deviceSubject);
    // The verdict goes to the host's server through the result endpoint, not to the device.
    return reply("0000", [&](cJSON* o) { cJSON_AddStringToObject(o, "recID", recId.c_str()); });
  });
}

std::string CloudService::judgeAndStore(const CloudSession& session, const VerifyEvidence& evidence, int64_t now,
                                        const std::string& deviceSubject) {
  Verdict verdict;
  {
    GatePass pass(judgeGate_);
    verdict = judgeEvidence(session, evidence, settings_.judgement);
  }
  CloudRecord record{randomAlphanumeric(32), session.sessionId, verdict.passed, verdict.reasons,
                     static_cast<int64_t>(evidence.images.size()), evidence.currentTime, now};
  store_.addRecord(record);
  if (!verdict.passed) limiter_.recordFailure(deviceSubject, now);
  logger_("upload: record " + record.recId + " " + (verdict.passed ? "pass" : "fail"));
  return record.recId;
}

CloudReply CloudService::push(const Field& req, const std::string& client) {
  return guarded("push", [&] {
    int64_t now = clock_();
    std::string subject = "addr:" + client;
    if (!limiter_.allowed(subject, now)) return reply("1006");
    if (!fits(req, settings_.maxLogBytes)) return failure(subject, "1001", now);
    auto cipher = strictBase64Decode(*req);
    auto clear = cipher ? decipher(keys_.logKey(), keys_.logIv(), *cipher) : std::nullopt;
    JsonPtr json(clear ? cJSON_ParseWithLength(reinterpret_cast<const char*>(clear->data()), clear->size()) : nullptr,
                 cJSON_Delete);
    if (!cJSON_IsObject(json.get())) return failure(subject, "1005", now);
    std::string logId = randomAlphanumeric(24);
    store_.addLog(logId, now, print(json.get()));
    logger_("push: stored log record " + logId);
    return reply("0000");
  });
}

CloudReply CloudService::result(const Field& recId) {
  return guarded("result", [&] {
    if (!fits(recId, 64)) return reply("1001");
    auto record = store_.findRecord(*recId);
    if (!record) return reply("1007");
    return reply("0000", [&](cJSON* o) {
      cJSON_AddStringToObject(o, "recID", record->recId.c_str());
      cJSON_AddStringToObject(o, "verdict", record->passed ? "pass" : "fail");
      cJSON* reasons = cJSON_AddArrayToObject(o, "reasons");
      for (const auto& reason : record->reasons) cJSON_AddItemToArray(reasons, cJSON_CreateString(reason.c_str()));
      cJSON_AddNumberToObject(o, "imageCount", static_cast<double>(record->imageCount));
      cJSON_AddNumberToObject(o, "currentTime", static_cast<double>(record->messageTime));
      cJSON_AddNumberToObject(o, "receivedAt", static_cast<double>(record->receivedAt));
    });
  });
}
