// One line of text drawn with Pango in the bundled CJK face, vertically centred in the
// label's bounds and cut with an ellipsis when too long.
#pragma once

#include <string>

#include "platform/ui/KyView.h"

enum class KyTextAlignment { Left, Center, Right };

struct KyFont {
  double size = 17;
  bool bold = false;
  // The bold system font of a size, as the screens use it.
  static KyFont boldSystemFontOfSize(double size) { return {size, true}; }
  static KyFont systemFontOfSize(double size) { return {size, false}; }
  bool operator==(const KyFont&) const = default;
};

class KyLabel : public KyView {
 public:
  explicit KyLabel(KyRect frame = {});

  const std::string& text() const;
  void setText(std::string text);
  KyColor textColor() const;
  void setTextColor(KyColor color);
  KyFont font() const;
  void setFont(KyFont font);
  KyTextAlignment textAlignment() const;
  void setTextAlignment(KyTextAlignment alignment);

  // The family every label uses; fixed so that drawings do not depend on font fallback.
  static const char* fontFamily();

 private:
  class TextLayer;
  TextLayer& textLayer() const;
};
