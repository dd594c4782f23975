#include "view/LivingTypeCollection.h"

#include <array>

#include "platform/ui/KyScreen.h"

std::shared_ptr<LivingTypeCollection> LivingTypeCollection::initWithLivingTypeAndPosY(int32_t livingType,
                                                                                      double startY) {
  auto row = std::make_shared<LivingTypeCollection>(livingType, startY);
  if (!row->livingTypeViewArray_.empty()) row->livingTypeViewArray_.front()->setLivingTypeState(1);
  return row;
}

LivingTypeCollection::LivingTypeCollection(int32_t livingType, double startY) {
  const std::string digits = std::to_string(livingType);
  const double n = static_cast<double>(digits.size());
  const double screenWidth = KyScreen::mainScreen().bounds().width;
  const double cellWidth = screenWidth / 4;
  const double gap = (screenWidth - cellWidth * n) / (n + 1);
  setFrame({10, startY, screenWidth, 50});
  for (size_t i = 0; i < digits.size(); ++i) {
    auto cell = LivingTypeCell::initWithSizeAndPromtTitle({cellWidth, 50}, getTitleFromLivingType(digits.substr(i, 1)));
    cell->setFrame({(cellWidth + gap) * static_cast<double>(i) + gap, 0, cellWidth, 50});
    addSubview(cell);
    livingTypeViewArray_.push_back(cell);
  }
}

void LivingTypeCollection::nextLivingType() {
  const int64_t step = currentLivigTypeStep_.fetch_add(1);
  const auto count = static_cast<int64_t>(livingTypeViewArray_.size());
  if (step >= 0 && step < count) livingTypeViewArray_[static_cast<size_t>(step)]->setLivingTypeState(2);
  if (step + 1 >= 0 && step + 1 < count) livingTypeViewArray_[static_cast<size_t>(step + 1)]->setLivingTypeState(1);
}

std::string LivingTypeCollection::getTitleFromLivingType(const std::string& digit) {
  static const std::array<const char*, 6> titles = {"远近", "眨眼", "摇头", "点头", "张嘴", "炫彩"};
  if (digit.size() == 1 && digit[0] >= '1' && digit[0] <= '6') return titles[static_cast<size_t>(digit[0] - '1')];
  return "不支持的类型";
}
