// Judges the colour history of a colourful check against the colours the session asked for.
//
// A live face close to the screen takes on the screen's colour: under each chromatic colour
// the skin's a and b move towards that colour's a and b, relative to the skin under the black
// and grey reference positions. Light that tints the whole scene (a replayed video, coloured
// room light) moves the background corners as well and is not counted as following.
#pragma once

#include <string>
#include <vector>

struct ColourRule {
  double minShift = 1.0;            // Lab units the skin must move along the screen colour
  double minBrighten = 1.0;         // L units the skin must brighten from black to white
  double minFollowingShare = 2.0 / 3.0;  // share of the chromatic positions that must follow
};

// Reasons for failing; empty when the history shows a live reaction to `colours` (the digits
// of the session's colour sequence, each an index of the colour table 0-8).
std::vector<std::string> judgeColourHistory(const std::string& historyJson, const std::string& colours,
                                            const ColourRule& rule = {});

// The screen colour of a colour-table digit 0-8 as r, g, b.
struct ScreenColour {
  unsigned r, g, b;
};
ScreenColour screenColourOf(int digit);
