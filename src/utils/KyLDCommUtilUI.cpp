// The operations of KyLDCommUtil that touch the UI: the preview's circular mask and the key window.
#include <algorithm>
#include <cmath>

#include "platform/ui/KyShapeLayer.h"
#include "platform/ui/KyWindow.h"
#include "utils/KyLDCommUtil.h"

std::shared_ptr<KyShapeLayer> KyLDCommUtil::maskStyle(const KyRect& rect) {
  auto mask = std::make_shared<KyShapeLayer>();
  mask->setFrame({0, 0, rect.width, rect.height});
  const double radius = std::min(rect.width / 2, rect.height / 2) - 8;
  mask->setPath(KyPath::arc({rect.width / 2, rect.height / 2}, radius, 0, 2 * M_PI, true));
  mask->setFillRule(KyFillRule::NonZero);
  mask->setFillColor({0, 0, 0, 1});
  return mask;
}

std::shared_ptr<KyWindow> KyLDCommUtil::getKeyWindow() {
  const std::vector<std::shared_ptr<KyWindow>> windows = KyWindow::windows();
  for (const auto& window : windows) {
    if (window->isKeyWindow()) return window;
  }
  return windows.empty() ? nullptr : windows.front();
}
