// Feeds arbitrary landmark lists (any length, any coordinates, NaN and infinities
// included), frame sizes, colour texts and sequence positions through the dispatcher and
// every detector, and exports the colour history.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "livingdetect/LDTColorfulDetection.h"
#include "livingdetect/LDTComm.h"
#include "utils/CodecUtil.h"

namespace {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t byte() { return offset_ < size_ ? data_[offset_++] : 0; }
  double number() {
    if (byte() & 1) {  // a raw double: any bit pattern
      double value = 0;
      const size_t n = std::min(sizeof value, size_ - std::min(offset_, size_));
      std::memcpy(&value, data_ + offset_, n);
      offset_ += n;
      return value;
    }
    return static_cast<double>(byte()) * 2;  // a plausible pixel position
  }
  bool empty() const { return offset_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

constexpr int32_t kMaxSide = 504;

// The pipeline's signals -95 to -100 come only from those that own them.
bool signalAllowed(int32_t process, int32_t livingType, bool needImage) {
  if (process > -95 || process < -100) return true;
  if (needImage) return process == -100;
  if (process == -99) return livingType == 3 || livingType == 4 || livingType == 5;
  return livingType == 6 && (process == -98 || process == -96 || process == -95);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<uint8_t> rgb(static_cast<size_t>(kMaxSide) * kMaxSide * 3, 90);
  FuzzInput in(data, size);
  const uint8_t control = in.byte();
  if (control & 0x10) LDTComm::reset();
  if (control & 0x20) {
    std::string text(in.byte() % 13, '\0');
    for (char& c : text) c = static_cast<char>(in.byte());
    LDTColorfulDetection::shareInstance()->initColorSetting(text.c_str());
  }
  LDTComm::setColorSaveIndex(static_cast<int8_t>(in.byte()) % 12);
  const LDTSize imgSize{static_cast<double>(in.byte() % 64 * 8), static_cast<double>(in.byte() % 64 * 8)};
  const LDTRect faceRect{in.number(), in.number(), in.number(), in.number()};
  while (!in.empty()) {
    const uint8_t frame = in.byte();
    const size_t count = (frame & 0x80) ? kLandmarkCount : frame % 80;
    auto landmarks = std::make_shared<LandmarkList>(count);
    for (KyPoint& point : *landmarks) point = {in.number(), in.number()};
    const int32_t livingType = frame % 8;
    const bool needImage = (frame & 0x40) != 0;
    LDTResult result = LDTComm::processLivingDetect(livingType, landmarks, imgSize, needImage, rgb.data(), faceRect);
    if (!signalAllowed(result.process(), livingType, needImage)) __builtin_trap();
  }
  mFree(LDTComm::getColorDetectHistory());
  return 0;
}
