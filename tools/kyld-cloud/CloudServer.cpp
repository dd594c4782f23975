#include "CloudServer.h"

#include <httplib.h>

#include <map>
#include <stdexcept>

#include "FormBody.h"

namespace {

// The fields of a form body. The body is read through a content reader and by parseFormBody:
// httplib's own form reading refuses bodies above 8 KiB and cuts Base64 values at their
// first "=".
// Nothing when the body could not be read whole (above the size limit, or cut off).
std::optional<std::map<std::string, std::string>> formFields(const httplib::ContentReader& reader) {
  std::string body;
  bool whole = reader([&body](const char* data, size_t length) {
    body.append(data, length);
    return true;
  });
  if (!whole) return std::nullopt;
  return parseFormBody(body);
}

const CloudReply kUnreadableBody{413, R"({"code":"1001","msg":"missing or oversized field"})"};

std::map<std::string, std::string> queryFields(const httplib::Request& request) {
  std::map<std::string, std::string> fields;
  for (const auto& [name, value] : request.params) fields.emplace(name, value);
  return fields;
}

Field field(const std::map<std::string, std::string>& fields, const char* name) {
  auto it = fields.find(name);
  if (it == fields.end()) return std::nullopt;
  return it->second;
}

void answer(httplib::Response& response, const CloudReply& reply) {
  response.status = reply.status;
  response.set_content(reply.json, "application/json");
}

// JSON for the errors that httplib raises itself (unknown path, oversized body, bad request).
std::string errorJson(int status) {
  switch (status) {
    case 404: return R"({"code":"1008","msg":"unknown endpoint"})";
    case 413: return R"({"code":"1001","msg":"missing or oversized field"})";
    case 429: return R"({"code":"1006","msg":"too many failures, try again later"})";
    case 500: return R"({"code":"1009","msg":"internal error"})";
    default: return R"({"code":"1001","msg":"bad request"})";
  }
}

}  // namespace

CloudServer::CloudServer(CloudService& service, const ServerOptions& options)
    : service_(service),
      server_(std::make_unique<httplib::SSLServer>(options.certFile.c_str(), options.keyFile.c_str())) {
  if (!server_->is_valid()) {
    throw std::runtime_error("cannot load the TLS certificate " + options.certFile + " and key " + options.keyFile);
  }
  int threads = options.threads > 0 ? options.threads : 1;
  server_->new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
  server_->set_payload_max_length(options.maxRequestBytes);
  server_->set_keep_alive_max_count(1000);
  server_->set_read_timeout(30, 0);
  server_->set_write_timeout(30, 0);
  route();
}

CloudServer::~CloudServer() { stop(); }

void CloudServer::route() {
  using httplib::ContentReader, httplib::Request, httplib::Response;
  server_->Post("/livingdetection/init", [this](const Request& rq, Response& rs, const ContentReader& body) {
    auto fields = formFields(body);
    answer(rs, fields ? service_.init(field(*fields, "initMsg"), rq.remote_addr) : kUnreadableBody);
  });
  server_->Post("/livingdetection/rpverifyh5/public/uploadVerifyMsg",
                [this](const Request& rq, Response& rs, const ContentReader& body) {
                  auto fields = formFields(body);
                  answer(rs, fields ? service_.upload(field(*fields, "token"), field(*fields, "verifyMsg"), rq.remote_addr)
                                    : kUnreadableBody);
                });
  server_->Post("/clc/push", [this](const Request& rq, Response& rs, const ContentReader& body) {
    auto fields = formFields(body);
    answer(rs, fields ? service_.push(field(*fields, "req"), rq.remote_addr) : kUnreadableBody);
  });
  server_->Get("/livingdetection/result", [this](const Request& rq, Response& rs) {
    answer(rs, service_.result(field(queryFields(rq), "recID")));
  });
  server_->Post("/livingdetection/result", [this](const Request&, Response& rs, const ContentReader& body) {
    auto fields = formFields(body);
    answer(rs, fields ? service_.result(field(*fields, "recID")) : kUnreadableBody);
  });
  server_->set_error_handler(httplib::Server::Handler([](const httplib::Request&, httplib::Response& rs) {
    if (rs.body.empty()) rs.set_content(errorJson(rs.status), "application/json");
  }));
  server_->set_exception_handler([](const httplib::Request&, httplib::Response& rs, std::exception_ptr) {
    rs.status = 500;
    rs.set_content(errorJson(500), "application/json");
  });
}

int CloudServer::bind(const std::string& host, int port) {
  if (port == 0) return server_->bind_to_any_port(host.c_str());
  return server_->bind_to_port(host.c_str(), port) ? port : -1;
}

bool CloudServer::serve() { return server_->listen_after_bind(); }

void CloudServer::stop() {
  if (server_) server_->stop();
}

bool CloudServer::running() const { return server_->is_running(); }
