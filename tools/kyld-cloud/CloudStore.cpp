#include "CloudStore.h"

#include <cjson/cJSON.h>

namespace {

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS kyld_sessions ("
    " token TEXT PRIMARY KEY, session_id TEXT NOT NULL, share_key TEXT NOT NULL,"
    " device_digest TEXT NOT NULL, actions BIGINT NOT NULL, colours TEXT NOT NULL,"
    " created_at BIGINT NOT NULL, expires_at BIGINT NOT NULL, state TEXT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS kyld_records ("
    " rec_id TEXT PRIMARY KEY, session_id TEXT NOT NULL, verdict TEXT NOT NULL,"
    " reasons TEXT NOT NULL, image_count BIGINT NOT NULL, message_time BIGINT NOT NULL,"
    " received_at BIGINT NOT NULL)",
    "CREATE TABLE IF NOT EXISTS kyld_logs ("
    " log_id TEXT PRIMARY KEY, received_at BIGINT NOT NULL, body TEXT NOT NULL)",
};

const std::string& text(const SqlRow& row, size_t column) {
  static const std::string empty;
  return row.at(column) ? *row[column] : empty;
}

int64_t number(const SqlRow& row, size_t column) { return std::stoll(text(row, column)); }

std::string reasonsToJson(const std::vector<std::string>& reasons) {
  cJSON* array = cJSON_CreateArray();
  for (const auto& reason : reasons) cJSON_AddItemToArray(array, cJSON_CreateString(reason.c_str()));
  char* printed = cJSON_PrintUnformatted(array);
  std::string json = printed ? printed : "[]";
  cJSON_free(printed);
  cJSON_Delete(array);
  return json;
}

std::vector<std::string> reasonsFromJson(const std::string& json) {
  std::vector<std::string> reasons;
  cJSON* array = cJSON_Parse(json.c_str());
  const cJSON* item = nullptr;
  cJSON_ArrayForEach(item, array) {
    if (cJSON_IsString(item)) reasons.emplace_back(item->valuestring);
  }
  cJSON_Delete(array);
  return reasons;
}

}  // namespace

CloudStore::CloudStore(std::unique_ptr<SqlConnection> connection) : connection_(std::move(connection)) {
  createSchema();
}

void CloudStore::createSchema() {
  std::lock_guard lock(mutex_);
  for (const char* statement : kSchema) connection_->run(statement);
}

std::string CloudStore::backend() const { return connection_->backend(); }

void CloudStore::addSession(const CloudSession& s) {
  std::lock_guard lock(mutex_);
  connection_->run(
      "INSERT INTO kyld_sessions (token, session_id, share_key, device_digest, actions, colours,"
      " created_at, expires_at, state) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9)",
      {s.token, s.sessionId, s.shareKey, s.deviceDigest, std::to_string(s.actions), s.colours,
       std::to_string(s.createdAt), std::to_string(s.expiresAt), s.state});
}

std::optional<CloudSession> CloudStore::findSession(const std::string& token) {
  std::lock_guard lock(mutex_);
  SqlResult result = connection_->run(
      "SELECT token, session_id, share_key, device_digest, actions, colours, created_at, expires_at, state"
      " FROM kyld_sessions WHERE token = $1",
      {token});
  if (result.rows.empty()) return std::nullopt;
  const SqlRow& row = result.rows.front();
  return CloudSession{text(row, 0), text(row, 1), text(row, 2), text(row, 3), number(row, 4),
                      text(row, 5), number(row, 6), number(row, 7), text(row, 8)};
}

bool CloudStore::claimSession(const std::string& token) {
  std::lock_guard lock(mutex_);
  SqlResult result =
      connection_->run("UPDATE kyld_sessions SET state = 'used' WHERE token = $1 AND state = 'issued'", {token});
  return result.affected == 1;
}

void CloudStore::addRecord(const CloudRecord& r) {
  std::lock_guard lock(mutex_);
  connection_->run(
      "INSERT INTO kyld_records (rec_id, session_id, verdict, reasons, image_count, message_time, received_at)"
      " VALUES ($1, $2, $3, $4, $5, $6, $7)",
      {r.recId, r.sessionId, r.passed ? "pass" : "fail", reasonsToJson(r.reasons), std::to_string(r.imageCount),
       std::to_string(r.messageTime), std::to_string(r.receivedAt)});
}

std::optional<CloudRecord> CloudStore::findRecord(const std::string& recId) {
  std::lock_guard lock(mutex_);
  SqlResult result = connection_->run(
      "SELECT rec_id, session_id, verdict, reasons, image_count, message_time, received_at"
      " FROM kyld_records WHERE rec_id = $1",
      {recId});
  if (result.rows.empty()) return std::nullopt;
  const SqlRow& row = result.rows.front();
  return CloudRecord{text(row, 0), text(row, 1), text(row, 2) == "pass", reasonsFromJson(text(row, 3)),
                     number(row, 4), number(row, 5), number(row, 6)};
}

void CloudStore::addLog(const std::string& logId, int64_t receivedAt, const std::string& body) {
  std::lock_guard lock(mutex_);
  connection_->run("INSERT INTO kyld_logs (log_id, received_at, body) VALUES ($1, $2, $3)",
                   {logId, std::to_string(receivedAt), body});
}

int64_t CloudStore::count(const std::string& table) {
  std::lock_guard lock(mutex_);
  SqlResult result = connection_->run("SELECT COUNT(*) FROM " + table);
  return result.rows.empty() ? 0 : number(result.rows.front(), 0);
}

int64_t CloudStore::countRecords() { return count("kyld_records"); }
int64_t CloudStore::countLogs() { return count("kyld_logs"); }
