// SQLite back-end of SqlConnection: one file, WAL journal, waits out short write locks.
#include "SqlConnection.h"

#include <sqlite3.h>

namespace {

class SqliteConnection final : public SqlConnection {
 public:
  explicit SqliteConnection(const std::string& path) {
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw SqlError("cannot open SQLite database " + path + ": " + message);
    }
    sqlite3_busy_timeout(db_, 10000);
    run("PRAGMA journal_mode=WAL", {});
    run("PRAGMA synchronous=NORMAL", {});
  }
  ~SqliteConnection() override { sqlite3_close(db_); }
  SqliteConnection(const SqliteConnection&) = delete;
  SqliteConnection& operator=(const SqliteConnection&) = delete;

  SqlResult run(const std::string& sql, const std::vector<std::string>& params) override {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK) {
      throw SqlError(std::string("SQLite prepare: ") + sqlite3_errmsg(db_));
    }
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(raw, sqlite3_finalize);
    for (size_t i = 0; i < params.size(); ++i) {
      sqlite3_bind_text(raw, static_cast<int>(i + 1), params[i].data(), static_cast<int>(params[i].size()),
                        SQLITE_TRANSIENT);
    }
    SqlResult result;
    for (;;) {
      int status = sqlite3_step(raw);
      if (status == SQLITE_DONE) break;
      if (status != SQLITE_ROW) throw SqlError(std::string("SQLite step: ") + sqlite3_errmsg(db_));
      result.rows.push_back(readRow(raw));
    }
    result.affected = sqlite3_changes(db_);
    return result;
  }

  std::string backend() const override { return "sqlite"; }

 private:
  static SqlRow readRow(sqlite3_stmt* statement) {
    SqlRow row;
    int columns = sqlite3_column_count(statement);
    for (int c = 0; c < columns; ++c) {
      if (sqlite3_column_type(statement, c) == SQLITE_NULL) {
        row.emplace_back(std::nullopt);
        continue;
      }
      auto text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
      row.emplace_back(std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement, c))));
    }
    return row;
  }

  sqlite3* db_ = nullptr;
};

}  // namespace

std::unique_ptr<SqlConnection> openSqliteConnection(const std::string& path) {
  return std::make_unique<SqliteConnection>(path);
}

std::unique_ptr<SqlConnection> openSqlConnection(const std::string& url) {
  if (url.rfind("postgresql://", 0) == 0 || url.rfind("postgres://", 0) == 0) {
    return openPostgresConnection(url);
  }
  if (url.rfind("sqlite://", 0) == 0) return openSqliteConnection(url.substr(9));
  if (url.rfind("sqlite:", 0) == 0) return openSqliteConnection(url.substr(7));
  return openSqliteConnection(url);
}
