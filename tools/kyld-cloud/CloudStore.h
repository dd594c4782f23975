// The cloud's durable state: issued sessions, judged verification records and received log
// records. The same schema and statements serve SQLite and PostgreSQL. Thread-safe.
#pragma once

#include "SqlConnection.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct CloudSession {
  std::string token;         // the enciphered token as handed out (primary key)
  std::string sessionId;     // the token's random fourth field
  std::string shareKey;      // the 16-character key agreed at initialisation
  std::string deviceDigest;  // lowercase hex MD5 of the device identifier
  int64_t actions = 0;       // the action list carried by the token
  std::string colours;       // the colour sequence digits, "" when none
  int64_t createdAt = 0;     // seconds since 1970
  int64_t expiresAt = 0;     // seconds since 1970
  std::string state;         // "issued", then "used" once an upload claimed it
};

struct CloudRecord {
  std::string recId;
  std::string sessionId;
  bool passed = false;
  std::vector<std::string> reasons;
  int64_t imageCount = 0;
  int64_t messageTime = 0;  // the message's own "currentTime"
  int64_t receivedAt = 0;
};

class CloudStore {
 public:
  explicit CloudStore(std::unique_ptr<SqlConnection> connection);

  std::string backend() const;
  void addSession(const CloudSession& session);
  std::optional<CloudSession> findSession(const std::string& token);
  // Moves an issued session to "used"; true only for the one caller that did it, so a token
  // is accepted once even when several servers share the database.
  bool claimSession(const std::string& token);
  void addRecord(const CloudRecord& record);
  std::optional<CloudRecord> findRecord(const std::string& recId);
  void addLog(const std::string& logId, int64_t receivedAt, const std::string& body);
  int64_t countRecords();
  int64_t countLogs();

 private:
  void createSchema();
  int64_t count(const std::string& table);

  std::mutex mutex_;
  std::unique_ptr<SqlConnection> connection_;
};
