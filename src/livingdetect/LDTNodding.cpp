#include "livingdetect/LDTNodding.h"

#include <algorithm>
#include <cmath>

#include "livingdetect/LDTSafeDetection.h"

namespace {

// A value that is not above 0 (an undefined one included) counts as no movement.
double positiveOrZero(double value) { return value > 0 ? value : 0; }

}  // namespace

LDTNodding* LDTNodding::shareInstance() {
  static LDTNodding instance;
  return &instance;
}

LDTNodding::LDTNodding() { reset(); }

void LDTNodding::reset() {
  check1FailTimes_ = 0;
  check2FailTimes_ = 0;
  check3FailTimes_ = 0;
  check4FailTimes_ = 0;
  preDetect_ = false;
  targetUp_ = 0;
  targetDown_ = 0;
  LDTSafeDetection::Instance()->resetArray();
}

LDTNodding::Measures LDTNodding::measure(const LandmarkList& landmarks) {
  return Measures{yawRatio(landmarks), std::fabs(landmarks[27].x - landmarks[33].x) > 8,
                  noseToBrowRatio(landmarks), landmarks[0].y - landmarks[20].y, landmarks[16].y - landmarks[23].y};
}

LDTResult LDTNodding::noddingDetect(const LandmarkListRef& facelandmarks, LDTSize, bool) {
  LDTResult result;
  if (!hasAllLandmarks(facelandmarks)) {
    result.setProcess(0, "人脸数据输入异常");
    return result;
  }
  const Measures face = measure(*facelandmarks);
  if (!ratioWithin(face.yaw, 60, 180) || face.tilted) {
    if (check1FailTimes_ >= 3) {
      result.setProcess(40, "请正视屏幕");
    } else {
      ++check1FailTimes_;
      result.setProcess(-1, "请正视屏幕");
    }
  } else {
    check1FailTimes_ = 0;
    if (preDetect_) {
      judgeNod(face, result);
    } else {
      takeBaseline(face, result);
    }
  }
  if (result.process() != -99) checkAgainTimes_ = 0;
  return result;
}

void LDTNodding::takeBaseline(const Measures& face, LDTResult& result) {
  // The first three out-of-range frames in a row only count and carry on.
  if (face.noseToBrow < 9000) {
    if (check2FailTimes_ >= 3) {
      result.setProcess(50, "请低头正视屏幕");
      return;
    }
    ++check2FailTimes_;
  } else {
    check2FailTimes_ = 0;
  }
  if (face.browHeight1 < 13 || face.browHeight2 < 13) {
    if (check3FailTimes_ >= 3) {
      result.setProcess(50, "请抬头正视屏幕");
      return;
    }
    ++check3FailTimes_;
  } else {
    check3FailTimes_ = 0;
  }
  result.setProcess(65, "请保持不动");
  if (check4FailTimes_ <= 3) {
    ++check4FailTimes_;
    return;
  }
  check4FailTimes_ = 0;
  targetUp_ = face.noseToBrow - 2000;
  targetDown_ = face.browHeight1 - 35;
  preDetect_ = true;
}

void LDTNodding::judgeNod(const Measures& face, LDTResult& result) {
  const double down1 = 1 - (face.browHeight2 - targetDown_) / 35;
  const double down2 = 1 - (face.browHeight1 - targetDown_) / 35;
  const double browDrop = positiveOrZero(std::min(down1, down2));
  const double noseDrop = positiveOrZero(1 - (face.noseToBrow - targetUp_) / targetUp_ * 5);
  if (browDrop >= 1 || noseDrop > 1) {
    if (checkAgainTimes_ == 2) {
      result.setProcess(100, "检测通过");
    } else {
      ++checkAgainTimes_;
      result.setProcess(-99, "请点头");
    }
    return;
  }
  // A movement exactly at the nose target would give 100, which only a seen nod may answer.
  const int32_t progress = truncToInt32(65 + std::max(browDrop, noseDrop) * 35);
  result.setProcess(std::min(progress, 99), "请点头");
}
