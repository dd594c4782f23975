#include "platform/ui/KyScrollView.h"

#include <algorithm>

KyScrollView::KyScrollView(KyRect frame) : KyView(frame) { layer()->setMasksToBounds(true); }

void KyScrollView::setContentOffset(KyUIPoint offset) {
  if (!scrollEnabled_) return;
  const KyRect f = frame();
  offset.x = std::clamp(offset.x, 0.0, std::max(0.0, contentSize_.width - f.width));
  offset.y = std::clamp(offset.y, 0.0, std::max(0.0, contentSize_.height - f.height));
  layer()->setBoundsOrigin(offset);
}
