// The record of every outcome the library hands to the host: initialisation, a refused
// start or a detection session.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Result codes; getCodeStr names them.
enum : int32_t {
  KLD_SUCCESS = 0,
  KLD_FAILED = 1,
  KLD_PARAME_ERROR = 2,
  KLD_EXCEPTION = 3,
  KLD_TIMEOUT = 4,
  KLD_PERMISSION = 5,
  KLD_UNSUPPORT = 6,
  KLD_CANCEL = 7,
};

class KyLivingDetectResult {
 public:
  // Code 0, empty message and data, no token, no video; no side effects.
  KyLivingDetectResult() = default;

  // Sets code, message and data. A non-zero code is reported at once, on the calling
  // thread: a log record goes to the log service (when reporting is on) and an error
  // line "LDTResult: <code>:<msg>" is written.
  static KyLivingDetectResult initWithCode(int32_t code, std::string msg, std::string data);

  // {"code":"<code>","msg":"<msg>","data":"<data>"}. Quotes, backslashes and control
  // characters inside the values are escaped so the text is always valid JSON; every
  // other character (UTF-8 included) is written as it is.
  std::string toJson() const;

  // The name of the code ("KLD_TIMEOUT" for 4); "KLD_FAILED", with an error line, for a
  // code outside 0..7.
  std::string getCodeStr() const;
  static std::string codeName(int32_t code);

  int32_t code() const { return code_; }
  void setCode(int32_t code) { code_ = code; }
  const std::string& msg() const { return msg_; }
  void setMsg(std::string msg) { msg_ = std::move(msg); }
  const std::string& data() const { return data_; }
  void setData(std::string data) { data_ = std::move(data); }
  // Set only on a passed session.
  const std::optional<std::string>& token() const { return token_; }
  void setToken(std::optional<std::string> token) { token_ = std::move(token); }
  // The recorded session video, when recording is on and the session passed.
  const std::optional<std::vector<uint8_t>>& video() const { return video_; }
  void setVideo(std::optional<std::vector<uint8_t>> video) { video_ = std::move(video); }

 private:
  int32_t code_ = KLD_SUCCESS;
  std::string msg_;
  std::optional<std::string> token_;
  std::string data_;
  std::optional<std::vector<uint8_t>> video_;
};
