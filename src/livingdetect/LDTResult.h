// The answer of the dispatcher and of every detector for one frame.
#pragma once

#include <any>
#include <cstdint>
#include <memory>
#include <string>

class LDTResult {
 public:
  uint8_t showFaceOutline() const { return showFaceOutline_; }
  void setShowFaceOutline(uint8_t showFaceOutline) { showFaceOutline_ = showFaceOutline; }

  int32_t process() const { return process_; }
  void setProcess(int32_t process) { process_ = process; }

  const std::string& msg() const { return msg_; }
  void setMsg(std::string msg) { msg_ = std::move(msg); }

  // Only the colourful check attaches data (its list of colour texts).
  const std::shared_ptr<const std::any>& data() const { return data_; }
  void setData(std::shared_ptr<const std::any> data) { data_ = std::move(data); }

  // Sets process and prompt and hides the face-outline guide.
  void setProcess(int32_t process, std::string msg);
  void setProcessAndShowFaceOutLine(int32_t process, std::string msg, uint8_t showFaceOutline);

 private:
  uint8_t showFaceOutline_ = 0;
  int32_t process_ = 0;
  std::string msg_;
  std::shared_ptr<const std::any> data_;
};
