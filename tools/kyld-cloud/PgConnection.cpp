// PostgreSQL back-end of SqlConnection through libpq; reconnects once when the server
// dropped the connection.
#include "SqlConnection.h"

#include <libpq-fe.h>

#include <cstdlib>

namespace {

using PgResultPtr = std::unique_ptr<PGresult, decltype(&PQclear)>;

class PgConnection final : public SqlConnection {
 public:
  explicit PgConnection(const std::string& url) : conn_(PQconnectdb(url.c_str())) {
    if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
      std::string message = conn_ ? PQerrorMessage(conn_) : "out of memory";
      PQfinish(conn_);
      throw SqlError("cannot connect to PostgreSQL: " + message);
    }
    PgResultPtr quiet(PQexec(conn_, "SET client_min_messages TO WARNING"), PQclear);
  }
  ~PgConnection() override { PQfinish(conn_); }
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  SqlResult run(const std::string& sql, const std::vector<std::string>& params) override {
    if (PQstatus(conn_) != CONNECTION_OK) PQreset(conn_);
    std::vector<const char*> values;
    for (const auto& p : params) values.push_back(p.c_str());
    PgResultPtr res(PQexecParams(conn_, sql.c_str(), static_cast<int>(values.size()), nullptr, values.data(),
                                 nullptr, nullptr, 0),
                    PQclear);
    ExecStatusType status = res ? PQresultStatus(res.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
      throw SqlError(std::string("PostgreSQL: ") + PQerrorMessage(conn_));
    }
    return readResult(res.get());
  }

  std::string backend() const override { return "postgresql"; }

 private:
  static SqlResult readResult(PGresult* res) {
    SqlResult result;
    int rows = PQntuples(res);
    int columns = PQnfields(res);
    for (int r = 0; r < rows; ++r) {
      SqlRow row;
      for (int c = 0; c < columns; ++c) {
        if (PQgetisnull(res, r, c)) {
          row.emplace_back(std::nullopt);
        } else {
          row.emplace_back(std::string(PQgetvalue(res, r, c), static_cast<size_t>(PQgetlength(res, r, c))));
        }
      }
      result.rows.push_back(std::move(row));
    }
    const char* affected = PQcmdTuples(res);
    result.affected = (affected && *affected) ? std::strtoll(affected, nullptr, 10) : 0;
    return result;
  }

  PGconn* conn_;
};

}  // namespace

std::unique_ptr<SqlConnection> openPostgresConnection(const std::string& url) {
  return std::make_unique<PgConnection>(url);
}
