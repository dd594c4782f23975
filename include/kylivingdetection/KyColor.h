// A UI colour: red, green, blue and alpha, each 0..1.
#pragma once

struct KyColor {
  float r = 0, g = 0, b = 0, a = 0;

  static constexpr KyColor clear() { return {0, 0, 0, 0}; }
  bool operator==(const KyColor&) const = default;
};
