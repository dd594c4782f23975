// A view whose content is larger than itself: subviews are placed in content coordinates
// and shown shifted by the content offset, clipped to the view.
#pragma once

#include "platform/ui/KyView.h"

class KyScrollView : public KyView {
 public:
  explicit KyScrollView(KyRect frame = {});

  KySize contentSize() const { return contentSize_; }
  void setContentSize(KySize size) { contentSize_ = size; }
  KyUIPoint contentOffset() const { return bounds().origin(); }
  // Clamped to the content; ignored while scrolling is disabled.
  void setContentOffset(KyUIPoint offset);
  bool isScrollEnabled() const { return scrollEnabled_; }
  void setScrollEnabled(bool enabled) { scrollEnabled_ = enabled; }
  bool showsVerticalScrollIndicator() const { return showsVerticalScrollIndicator_; }
  void setShowsVerticalScrollIndicator(bool shows) { showsVerticalScrollIndicator_ = shows; }

 private:
  KySize contentSize_;
  bool scrollEnabled_ = true;
  bool showsVerticalScrollIndicator_ = true;
};
