// The row of the session's actions, in order: the action under way is highlighted, the
// finished ones are marked complete.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "view/LivingTypeCell.h"

class LivingTypeCollection : public KyView {
 public:
  // One cell per decimal digit of livingType, a quarter of the screen wide each, spread
  // with equal gaps; the row is 50 high at startY and the first cell is in progress.
  static std::shared_ptr<LivingTypeCollection> initWithLivingTypeAndPosY(int32_t livingType, double startY);
  LivingTypeCollection(int32_t livingType, double startY);

  // Marks the current cell complete and highlights the next, if any.
  void nextLivingType();
  // The title of one action digit ("1".."6"); anything else is "不支持的类型".
  static std::string getTitleFromLivingType(const std::string& digit);

  int64_t currentLivigTypeStep() const { return currentLivigTypeStep_; }
  const std::vector<std::shared_ptr<LivingTypeCell>>& livingTypeViewArray() const { return livingTypeViewArray_; }

 private:
  std::atomic<int64_t> currentLivigTypeStep_{0};
  std::vector<std::shared_ptr<LivingTypeCell>> livingTypeViewArray_;
};
