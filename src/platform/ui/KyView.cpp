#include "platform/ui/KyView.h"

#include <algorithm>

KyView::KyView(KyRect frame) : KyView(std::make_shared<KyLayer>(), frame) {}

KyView::KyView(std::shared_ptr<KyLayer> layer, KyRect frame) : layer_(std::move(layer)) { layer_->setFrame(frame); }

KyView::~KyView() {
  for (const auto& sub : subviews_) sub->superview_ = nullptr;
}

void KyView::addSubview(const std::shared_ptr<KyView>& view) {
  if (!view || view.get() == this) return;
  view->removeFromSuperview();
  subviews_.push_back(view);
  view->superview_ = this;
  layer_->addSublayer(view->layer_);
}

void KyView::insertSubviewBelowLayer(const std::shared_ptr<KyView>& view, const std::shared_ptr<KyLayer>& sibling) {
  if (!view || view.get() == this) return;
  view->removeFromSuperview();
  subviews_.push_back(view);
  view->superview_ = this;
  layer_->insertSublayerBelow(view->layer_, sibling);
}

void KyView::removeFromSuperview() {
  KyView* parent = superview_;
  superview_ = nullptr;
  layer_->removeFromSuperlayer();
  if (!parent) return;
  auto& list = parent->subviews_;
  // Keep this view alive until it is out of the list, in case the list held the last reference.
  std::shared_ptr<KyView> self = weak_from_this().lock();
  list.erase(std::remove_if(list.begin(), list.end(), [this](const auto& v) { return v.get() == this; }), list.end());
}

void KyView::bringSubviewToFront(const std::shared_ptr<KyView>& view) {
  if (view && view->superview_ == this) addSubview(view);
}

std::shared_ptr<KyView> KyView::viewWithTag(int64_t tag) {
  if (tag_ == tag) return shared_from_this();
  for (const auto& sub : subviews_) {
    if (auto found = sub->viewWithTag(tag)) return found;
  }
  return nullptr;
}

std::shared_ptr<KyView> KyView::hitTest(KyUIPoint point) {
  if (isHidden() || alpha() < 0.01 || !userInteractionEnabled_) return nullptr;
  const KyRect b = bounds();
  if (!b.contains(point)) return nullptr;
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    const KyRect f = (*it)->frame();
    if (auto hit = (*it)->hitTest({point.x - f.x + (*it)->bounds().x, point.y - f.y + (*it)->bounds().y})) return hit;
  }
  return shared_from_this();
}

bool KyView::sendTap(KyUIPoint point) {
  for (std::shared_ptr<KyView> view = hitTest(point); view; view = view->superview()) {
    if (view->hasTapHandler()) {
      const auto handlers = view->tapHandlers_;  // a handler may change the tree
      for (const auto& handler : handlers) handler();
      return true;
    }
  }
  return false;
}
