// The verification cloud as the kyld tool talks to it: a reference cloud started on loopback
// when no address is given, the initialisation round trip, and the verdict of an upload.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

class LocalCloud {
 public:
  // Uses the cloud at `url` ("https://host:port"); an empty url starts kyld-cloud on a free
  // loopback port with a fresh database under `workDir`.
  static std::optional<LocalCloud> connect(const std::string& url, const std::string& workDir, std::string& error);
  ~LocalCloud();
  LocalCloud(LocalCloud&& other) noexcept;
  LocalCloud& operator=(LocalCloud&&) = delete;
  LocalCloud(const LocalCloud&) = delete;

  // "host:port", as the library's configuration takes it.
  const std::string& hostAndPort() const { return hostAndPort_; }
  // The certificate file to trust for it ("" for the system's store).
  const std::string& caFile() const { return caFile_; }
  // Points the library's configuration at this cloud.
  void configureLibrary() const;

  // Sends the initialisation message; answers the session token.
  std::optional<std::string> requestToken(const std::string& initMsg, std::string& error) const;
  // The cloud's judgement of an uploaded record, as its JSON answer.
  std::optional<std::string> verdict(const std::string& recID, std::string& error) const;

 private:
  LocalCloud() = default;
  std::optional<std::string> post(const std::string& path, const std::string& body, std::string& error) const;
  bool waitUntilListening(std::string& error) const;

  std::string hostAndPort_;
  std::string caFile_;
  pid_t child_ = -1;
};

// Percent-encodes a form value (everything but unreserved characters).
std::string formEncode(const std::string& value);
