// A minimal SQL connection: one statement at a time, parameters written $1..$n and passed
// as text. The cloud's store speaks the same SQL to SQLite and to PostgreSQL through it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

struct SqlError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

using SqlRow = std::vector<std::optional<std::string>>;

struct SqlResult {
  std::vector<SqlRow> rows;
  int64_t affected = 0;  // rows changed by an INSERT, UPDATE or DELETE
};

class SqlConnection {
 public:
  virtual ~SqlConnection() = default;
  // Runs one statement; parameters are numbered in order of appearance. Throws SqlError.
  virtual SqlResult run(const std::string& sql, const std::vector<std::string>& params = {}) = 0;
  // "sqlite" or "postgresql".
  virtual std::string backend() const = 0;
};

// "postgresql://..." or "postgres://..." opens PostgreSQL; "sqlite:PATH", "sqlite://PATH" or a
// plain path opens (and creates) a SQLite file in WAL mode. Throws SqlError.
std::unique_ptr<SqlConnection> openSqlConnection(const std::string& url);
std::unique_ptr<SqlConnection> openSqliteConnection(const std::string& path);
std::unique_ptr<SqlConnection> openPostgresConnection(const std::string& url);
