// A rectangular view: frame, tag, visibility, alpha, background, transform, subviews and
// tap handlers, drawn by its backing layer. Views belong to the UI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/ui/KyLayer.h"

class KyView : public std::enable_shared_from_this<KyView> {
 public:
  explicit KyView(KyRect frame = {});
  virtual ~KyView();
  KyView(const KyView&) = delete;
  KyView& operator=(const KyView&) = delete;

  const std::shared_ptr<KyLayer>& layer() const { return layer_; }

  KyRect frame() const { return layer_->frame(); }
  virtual void setFrame(KyRect frame) { layer_->setFrame(frame); }
  KyRect bounds() const { return layer_->bounds(); }
  int64_t tag() const { return tag_; }
  void setTag(int64_t tag) { tag_ = tag; }
  bool isHidden() const { return layer_->isHidden(); }
  void setHidden(bool hidden) { layer_->setHidden(hidden); }
  double alpha() const { return layer_->opacity(); }
  void setAlpha(double alpha) { layer_->setOpacity(alpha); }
  KyColor backgroundColor() const { return layer_->backgroundColor(); }
  void setBackgroundColor(KyColor color) { layer_->setBackgroundColor(color); }
  KyTransform transform() const { return layer_->transform(); }
  void setTransform(KyTransform transform) { layer_->setTransform(transform); }

  void addSubview(const std::shared_ptr<KyView>& view);
  // Adds `view` with its layer just below `sibling`, a sublayer of this view's layer.
  void insertSubviewBelowLayer(const std::shared_ptr<KyView>& view, const std::shared_ptr<KyLayer>& sibling);
  void removeFromSuperview();
  void bringSubviewToFront(const std::shared_ptr<KyView>& view);
  const std::vector<std::shared_ptr<KyView>>& subviews() const { return subviews_; }
  std::shared_ptr<KyView> superview() const { return superview_ ? superview_->weak_from_this().lock() : nullptr; }
  // This view or the first descendant (depth first) with the tag.
  std::shared_ptr<KyView> viewWithTag(int64_t tag);

  // Taps land on the frontmost visible view under the point that has a handler.
  void addTapHandler(std::function<void()> handler) { tapHandlers_.push_back(std::move(handler)); }
  bool hasTapHandler() const { return !tapHandlers_.empty(); }
  // A view that ignores touches lets them through to what lies beneath it.
  bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
  void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
  // The deepest visible view containing the point (in this view's coordinates), or none.
  std::shared_ptr<KyView> hitTest(KyUIPoint point);
  // Delivers a tap at the point; answers whether a handler ran.
  bool sendTap(KyUIPoint point);

  void animateAlpha(double to, const KyAnimationOptions& options, KyAnimationCompletion completion = {}) {
    layer_->animateOpacity(to, options, std::move(completion));
  }
  void animateTransform(KyTransform to, const KyAnimationOptions& options, KyAnimationCompletion completion = {}) {
    layer_->animateTransform(to, options, std::move(completion));
  }

 protected:
  KyView(std::shared_ptr<KyLayer> layer, KyRect frame);

 private:
  std::shared_ptr<KyLayer> layer_;
  int64_t tag_ = 0;
  std::vector<std::shared_ptr<KyView>> subviews_;
  // Plain pointer, so that views can add subviews while they are being constructed; a view
  // clears it in its subviews when it goes away.
  KyView* superview_ = nullptr;
  std::vector<std::function<void()>> tapHandlers_;
  bool userInteractionEnabled_ = true;
};
