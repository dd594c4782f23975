#include "KyLoopProgressView.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "platform/dispatch/KyConcurrentQueue.h"
#include "platform/ui/KyMainLoop.h"
#include "utils/ImageUtil.h"

namespace {

// From 0.6 pi to 2.4 pi clockwise: a gap of 36 degrees centred at the bottom.
KyPath ringPath(KySize size) {
  return KyPath::arc({size.width / 2, size.height / 2}, size.width / 2 - 4, 0.6 * M_PI, 2.4 * M_PI, true);
}

std::shared_ptr<KyShapeLayer> ringLayer(KySize size, float lineWidth, KyColor stroke, double strokeEnd) {
  auto ring = std::make_shared<KyShapeLayer>();
  ring->setFrame({0, 0, size.width, size.height});
  ring->setPath(ringPath(size));
  ring->setFillColor(KyColor::clear());
  ring->setLineWidth(lineWidth);
  ring->setStrokeColor(stroke);
  ring->setLineCap(KyLineCap::Round);
  ring->setStrokeStart(0);
  ring->setStrokeEnd(strokeEnd);
  return ring;
}

}  // namespace

std::shared_ptr<KyLoopProgressView> KyLoopProgressView::initWithFrame(KyRect rect) {
  auto ring = std::make_shared<KyLoopProgressView>(rect);
  KyLivingDelegateManager::Instance()->addDelegate(ring);
  return ring;
}

KyLoopProgressView::KyLoopProgressView(KyRect rect) : KyView(rect), g_livingViewStyle(KyLivingViewStyle::shareInstance()) {
  setBackgroundColor(KyColor::clear());
  buildLayers(rect);
}

void KyLoopProgressView::buildLayers(KyRect rect) {
  const KySize size = rect.size();
  const float width = g_livingViewStyle->getProgressWidth();
  layer()->addSublayer(ringLayer(size, width, g_livingViewStyle->getProgressBgColor(), 1));
  frontProgressLayer_ = ringLayer(size, width, g_livingViewStyle->getTextColor(), 0);

  const KyColor start = g_livingViewStyle->getProgressStaGradient();
  const KyColor end = g_livingViewStyle->getProgressEndGradient();
  const KyColor middle = ImageUtil::computerMiddleColor(start, end);
  const double w = size.width, h = size.height;
  leftGradientLayer_ = std::make_shared<KyGradientLayer>();
  leftGradientLayer_->setFrame({-10, -10, w / 2 + 10, h + 20});
  leftGradientLayer_->setColors({start, middle});
  leftGradientLayer_->setLocations({0, 0.9});
  leftGradientLayer_->setStartPoint({0, 1});
  leftGradientLayer_->setEndPoint({1, 0});
  rightGradientLayer_ = std::make_shared<KyGradientLayer>();
  rightGradientLayer_->setFrame({w / 2, -10, w / 2 + 10, h + 20});
  rightGradientLayer_->setColors({middle, end});
  rightGradientLayer_->setLocations({0.1, 1});
  rightGradientLayer_->setStartPoint({0, 0});
  rightGradientLayer_->setEndPoint({1, 1});
  fatherGradientLayer_ = std::make_shared<KyLayer>();
  fatherGradientLayer_->setFrame({0, 0, w + 20, h + 20});
  fatherGradientLayer_->addSublayer(leftGradientLayer_);
  fatherGradientLayer_->addSublayer(rightGradientLayer_);
  fatherGradientLayer_->setMask(frontProgressLayer_);
  layer()->addSublayer(fatherGradientLayer_);
}

void KyLoopProgressView::updateProcess(float value) {
  const auto old = static_cast<int32_t>(std::trunc(_targetProcess * 100));
  if (value == static_cast<float>(old) || std::fabs(static_cast<float>(old) - value) < 5) return;
  _targetProcess = std::clamp(value / 100, 0.0f, 1.0f);
  if (isAniActive.exchange(true)) return;  // the running easing picks up the new target
  auto self = std::static_pointer_cast<KyLoopProgressView>(shared_from_this());
  KyConcurrentQueue::shared().async([self] { self->runEasing(); });
}

// Each step covers half of the remaining distance, one step per 1/24 s.
void KyLoopProgressView::runEasing() {
  size_t steps = 0;
  while (true) {
    const float step = (_targetProcess - _currentProcess) * 0.5f;
    if (std::fabs(step) < 0.0001f) break;
    _currentProcess = _currentProcess + step;
    showProgress(_currentProcess);
    ++steps;
    std::this_thread::sleep_for(std::chrono::duration<double>(kStepSeconds));
  }
  _currentProcess = _targetProcess.load();
  showProgress(_currentProcess);
  lastRunSteps_ = steps;
  isAniActive = false;
}

void KyLoopProgressView::showProgress(float fraction) {
  std::shared_ptr<KyShapeLayer> mask = frontProgressLayer_;
  KyMainLoop::shared().post([mask, fraction] { mask->setStrokeEnd(fraction); });
}
