#include "platform/ui/KyLayer.h"

#include <cairo.h>

#include <algorithm>
#include <atomic>

#include "platform/ui/KyMainLoop.h"
#include "platform/ui/KyUIImage.h"

namespace {

uint64_t nextAnimationId() {
  static std::atomic<uint64_t> counter{0};
  return ++counter;
}

std::chrono::steady_clock::duration seconds(double s) {
  return std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(s));
}

}  // namespace

void KyLayer::addSublayer(const std::shared_ptr<KyLayer>& layer) {
  if (!layer || layer.get() == this) return;
  layer->removeFromSuperlayer();
  sublayers_.push_back(layer);
  layer->superlayer_ = weak_from_this();
}

void KyLayer::insertSublayerBelow(const std::shared_ptr<KyLayer>& layer, const std::shared_ptr<KyLayer>& sibling) {
  if (!layer || layer.get() == this) return;
  layer->removeFromSuperlayer();
  auto it = std::find(sublayers_.begin(), sublayers_.end(), sibling);
  sublayers_.insert(it, layer);
  layer->superlayer_ = weak_from_this();
}

void KyLayer::removeFromSuperlayer() {
  std::shared_ptr<KyLayer> parent = superlayer_.lock();
  superlayer_.reset();
  if (!parent) return;
  auto& list = parent->sublayers_;
  list.erase(std::remove_if(list.begin(), list.end(), [this](const auto& l) { return l.get() == this; }), list.end());
}

const KyAnimation* KyLayer::runningAnimation(KyAnimatedProperty property) const {
  for (const KyAnimation& a : animations_) {
    if (a.property == property) return &a;
  }
  return nullptr;
}

bool KyLayer::isAnimating(KyAnimatedProperty property) const { return runningAnimation(property) != nullptr; }

double KyLayer::presentationOpacity(std::optional<TimePoint> now) const {
  const KyAnimation* a = now ? runningAnimation(KyAnimatedProperty::Opacity) : nullptr;
  return a ? a->opacityAt(*now) : opacity_;
}

KyTransform KyLayer::presentationTransform(std::optional<TimePoint> now) const {
  const KyAnimation* a = now ? runningAnimation(KyAnimatedProperty::Transform) : nullptr;
  return a ? a->transformAt(*now) : transform_;
}

void KyLayer::animateOpacity(double to, const KyAnimationOptions& options, KyAnimationCompletion completion) {
  KyAnimation a;
  a.property = KyAnimatedProperty::Opacity;
  a.fromOpacity = presentationOpacity(std::chrono::steady_clock::now());
  a.toOpacity = to;
  a.completion = std::move(completion);
  opacity_ = to;
  addAnimation(std::move(a), options);
}

void KyLayer::animateTransform(KyTransform to, const KyAnimationOptions& options, KyAnimationCompletion completion) {
  KyAnimation a;
  a.property = KyAnimatedProperty::Transform;
  a.fromTransform = presentationTransform(std::chrono::steady_clock::now());
  a.toTransform = to;
  a.completion = std::move(completion);
  transform_ = to;
  addAnimation(std::move(a), options);
}

void KyLayer::addAnimation(KyAnimation animation, const KyAnimationOptions& options) {
  if (const KyAnimation* old = runningAnimation(animation.property)) completeAnimation(old->id, false);
  animation.id = nextAnimationId();
  animation.begin = std::chrono::steady_clock::now() + seconds(options.delay);
  animation.duration = options.duration;
  animation.curve = options.curve;
  const uint64_t id = animation.id;
  animations_.push_back(std::move(animation));
  std::weak_ptr<KyLayer> weak = weak_from_this();
  KyMainLoop::shared().addTimer(seconds(options.delay + options.duration), false, [weak, id] {
    if (std::shared_ptr<KyLayer> layer = weak.lock()) layer->completeAnimation(id, true);
  });
}

void KyLayer::completeAnimation(uint64_t id, bool finished) {
  auto it = std::find_if(animations_.begin(), animations_.end(), [id](const KyAnimation& a) { return a.id == id; });
  if (it == animations_.end()) return;
  KyAnimationCompletion completion = std::move(it->completion);
  animations_.erase(it);
  if (completion) completion(finished);
}

void KyLayer::finishAnimations() {
  std::vector<uint64_t> ids;
  for (const KyAnimation& a : animations_) ids.push_back(a.id);
  for (uint64_t id : ids) completeAnimation(id, true);
}

void KyLayer::drawInContext(cairo_t* cr) const {
  if (contents_) KyDrawImageInRect(cr, *contents_, {0, 0, frame_.width, frame_.height}, contentMode_);
}

void KyDrawImageInRect(cairo_t* cr, const KyUIImage& image, KyRect dest, KyContentMode mode) {
  const KySize size = image.size();
  if (size.width <= 0 || size.height <= 0 || dest.width <= 0 || dest.height <= 0) return;
  double sx = dest.width / size.width;
  double sy = dest.height / size.height;
  if (mode == KyContentMode::AspectFit) sx = sy = std::min(sx, sy);
  if (mode == KyContentMode::AspectFill) sx = sy = std::max(sx, sy);
  if (mode == KyContentMode::Center) sx = sy = 1;
  cairo_save(cr);
  cairo_rectangle(cr, dest.x, dest.y, dest.width, dest.height);
  cairo_clip(cr);
  cairo_translate(cr, dest.x + (dest.width - size.width * sx) / 2, dest.y + (dest.height - size.height * sy) / 2);
  cairo_scale(cr, sx, sy);
  cairo_set_source_surface(cr, image.surface(), 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_restore(cr);
}
