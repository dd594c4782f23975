// What the cloud's endpoints do, apart from HTTP: each call takes the request's form fields
// (absent fields as nothing) and the client's address and answers a status and JSON body.
//
// Codes: "0000" success; "1001" missing or oversized field; "1002" unknown token; "1003" token
// expired; "1004" token already used; "1005" message could not be read (every failure to
// decode, decipher or parse alike); "1006" too many failures, paused; "1007" unknown
// record; "1009" internal error.
#pragma once

#include "CloudKeys.h"
#include "CloudStore.h"
#include "FairGate.h"
#include "FailureLimiter.h"
#include "Judgement.h"
#include "SessionIssuer.h"
#include "UploadParser.h"

#include <functional>
#include <optional>
#include <string>

struct CloudSettings {
  IssuePolicy issue;
  JudgementPolicy judgement;
  UploadLimits upload;
  FailureLimiter::Rule failures;
  size_t maxInitBytes = 16u << 10;
  size_t maxTokenBytes = 1024;
  size_t maxVerifyMsgBytes = 48u << 20;
  size_t maxLogBytes = 256u << 10;
};

struct CloudReply {
  int status = 200;
  std::string json;
};

using Field = std::optional<std::string>;

class CloudService {
 public:
  using Clock = std::function<int64_t()>;           // seconds since 1970
  using Logger = std::function<void(const std::string&)>;

  CloudService(CloudKeys keys, CloudStore& store, CloudSettings settings, Clock clock = {}, Logger logger = {});

  CloudReply init(const Field& initMsg, const std::string& client);
  CloudReply upload(const Field& token, const Field& verifyMsg, const std::string& client);
  CloudReply push(const Field& req, const std::string& client);
  CloudReply result(const Field& recId);

  CloudStore& store() { return store_; }

 private:
  CloudReply guarded(const char* endpoint, const std::function<CloudReply()>& work);
  CloudReply failure(const std::string& subject, const char* code, int64_t now);
  // Judges, stores the record and counts a failed verdict against the device; the record's id.
  std::string judgeAndStore(const CloudSession& session, const VerifyEvidence& evidence, int64_t now,
                            const std::string& deviceSubject);

  CloudKeys keys_;
  CloudStore& store_;
  CloudSettings settings_;
  SessionIssuer issuer_;
  FailureLimiter limiter_;
  Clock clock_;
  Logger logger_;
  // Judging is CPU-bound (JPEG decoding, face detection): at most one judgement per core runs
  // at a time, in arrival order, so concurrent uploads finish one after another instead of all
  // late together.
  FairGate judgeGate_;
};
