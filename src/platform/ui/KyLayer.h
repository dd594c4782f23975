// A node of the retained drawing tree. Every view is backed by one; plain layers (shapes,
// gradients, the camera preview) can be added beside views. Layers belong to the UI thread:
// change them only there.
#pragma once

#include <kylivingdetection/KyColor.h>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

#include "platform/ui/KyAnimation.h"
#include "platform/ui/KyGeometry.h"

typedef struct _cairo cairo_t;
class KyUIImage;

enum class KyContentMode { ScaleToFill, AspectFit, AspectFill, Center };

class KyLayer : public std::enable_shared_from_this<KyLayer> {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  KyLayer() = default;
  virtual ~KyLayer() = default;
  KyLayer(const KyLayer&) = delete;
  KyLayer& operator=(const KyLayer&) = delete;

  KyRect frame() const { return frame_; }
  void setFrame(KyRect frame) { frame_ = frame; }
  // Own coordinate space: origin is the scroll offset, size is the frame's.
  KyRect bounds() const { return {boundsOrigin_.x, boundsOrigin_.y, frame_.width, frame_.height}; }
  void setBoundsOrigin(KyUIPoint origin) { boundsOrigin_ = origin; }

  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden) { hidden_ = hidden; }
  double opacity() const { return opacity_; }
  void setOpacity(double opacity) { opacity_ = opacity; }
  KyColor backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(KyColor color) { backgroundColor_ = color; }
  KyTransform transform() const { return transform_; }
  void setTransform(KyTransform transform) { transform_ = transform; }
  bool masksToBounds() const { return masksToBounds_; }
  void setMasksToBounds(bool masks) { masksToBounds_ = masks; }

  // Image contents, placed in the bounds by the content mode.
  const std::shared_ptr<KyUIImage>& contents() const { return contents_; }
  void setContents(std::shared_ptr<KyUIImage> image) { contents_ = std::move(image); }
  KyContentMode contentMode() const { return contentMode_; }
  void setContentMode(KyContentMode mode) { contentMode_ = mode; }

  // Only where the mask's pixels are opaque does this layer show. The mask is drawn in
  // this layer's coordinates.
  const std::shared_ptr<KyLayer>& mask() const { return mask_; }
  void setMask(std::shared_ptr<KyLayer> mask) { mask_ = std::move(mask); }

  void addSublayer(const std::shared_ptr<KyLayer>& layer);
  // Inserts `layer` just below `sibling` (one of this layer's sublayers), or on top when
  // `sibling` is not one.
  void insertSublayerBelow(const std::shared_ptr<KyLayer>& layer, const std::shared_ptr<KyLayer>& sibling);
  void removeFromSuperlayer();
  const std::vector<std::shared_ptr<KyLayer>>& sublayers() const { return sublayers_; }
  std::shared_ptr<KyLayer> superlayer() const { return superlayer_.lock(); }

  // Animates opacity or transform from the shown value to the new model value, which is set
  // at once. A running animation of the same property is replaced (its completion gets false).
  void animateOpacity(double to, const KyAnimationOptions& options, KyAnimationCompletion completion = {});
  void animateTransform(KyTransform to, const KyAnimationOptions& options, KyAnimationCompletion completion = {});
  size_t animationCount() const { return animations_.size(); }
  bool isAnimating(KyAnimatedProperty property) const;
  // Ends every running animation of this layer now, as if its time had passed.
  void finishAnimations();
  // Values as shown at `now`; without a time, the model values.
  double presentationOpacity(std::optional<TimePoint> now) const;
  KyTransform presentationTransform(std::optional<TimePoint> now) const;

  // Draws this layer's own content (not background or sublayers) in its bounds.
  virtual void drawInContext(cairo_t* cr) const;

 private:
  void addAnimation(KyAnimation animation, const KyAnimationOptions& options);
  void completeAnimation(uint64_t id, bool finished);
  const KyAnimation* runningAnimation(KyAnimatedProperty property) const;

  KyRect frame_;
  KyUIPoint boundsOrigin_;
  bool hidden_ = false;
  double opacity_ = 1;
  KyColor backgroundColor_ = KyColor::clear();
  KyTransform transform_;
  bool masksToBounds_ = false;
  std::shared_ptr<KyUIImage> contents_;
  KyContentMode contentMode_ = KyContentMode::ScaleToFill;
  std::shared_ptr<KyLayer> mask_;
  std::vector<std::shared_ptr<KyLayer>> sublayers_;
  std::weak_ptr<KyLayer> superlayer_;
  std::vector<KyAnimation> animations_;
};

// Draws an image into `dest` by a content mode (shared by layers and the camera preview).
void KyDrawImageInRect(cairo_t* cr, const KyUIImage& image, KyRect dest, KyContentMode mode);
