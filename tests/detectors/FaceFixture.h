// Landmark fixtures for the detector tests: a frontal template face in a 480 x 480 frame
// and small editors that move the features an action needs.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "livingdetect/LDTComm.h"
#include "livingdetect/LDTLandmarks.h"
#include "livingdetect/LDTResult.h"

namespace face {

constexpr LDTSize kFrame{480, 480};

// A level, centred face: eye corners at y 200 (eye midpoint 240, 200), eye aspect ratios
// 0.30, nose tip (240, 238), left-right balance 100, closed mouth, brow gap 72.
inline LandmarkList frontal() {
  return {
      // jaw 0-16
      {140, 200}, {142, 225}, {146, 238}, {152, 275}, {160, 298}, {172, 318}, {188, 334}, {212, 344}, {240, 348},
      {268, 344}, {292, 334}, {308, 318}, {320, 298}, {328, 275}, {334, 238}, {338, 225}, {340, 200},
      // brows 17-26 (20 and 23 are the inner-middle points)
      {160, 170}, {172, 164}, {186, 162}, {204, 162}, {214, 166}, {266, 166}, {276, 162}, {294, 162}, {308, 164},
      {320, 170},
      // nose 27-35
      {240, 190}, {240, 206}, {240, 222}, {240, 238}, {222, 252}, {231, 255}, {240, 257}, {249, 255}, {258, 252},
      // eyes 36-41 and 42-47
      {175, 200}, {185, 195.5}, {195, 195.5}, {205, 200}, {195, 204.5}, {185, 204.5},
      {275, 200}, {285, 195.5}, {295, 195.5}, {305, 200}, {295, 204.5}, {285, 204.5},
      // outer lips 48-59
      {210, 290}, {220, 284}, {230, 281}, {240, 282}, {250, 281}, {260, 284}, {270, 290}, {260, 298}, {250, 301},
      {240, 302}, {230, 301}, {220, 298},
      // inner lips 60-67: width 40, openings 4
      {220, 290}, {230, 288}, {240, 288}, {250, 288}, {260, 290}, {250, 292}, {240, 292}, {230, 292},
  };
}

inline LandmarkListRef share(LandmarkList landmarks) {
  return std::make_shared<const LandmarkList>(std::move(landmarks));
}

inline LandmarkList moved(LandmarkList landmarks, double dx, double dy) {
  for (KyPoint& point : landmarks) {
    point.x += dx;
    point.y += dy;
  }
  return landmarks;
}

// Eyelid openings (upper to lower lid) of both eyes; the eyes are 30 wide.
inline LandmarkList withEyes(LandmarkList landmarks, double leftOpening, double rightOpening) {
  for (size_t lid : {37u, 38u}) landmarks[lid].y = 200 - leftOpening / 2;
  for (size_t lid : {40u, 41u}) landmarks[lid].y = 200 + leftOpening / 2;
  for (size_t lid : {43u, 44u}) landmarks[lid].y = 200 - rightOpening / 2;
  for (size_t lid : {46u, 47u}) landmarks[lid].y = 200 + rightOpening / 2;
  return landmarks;
}

// Inner-lip openings 61-67, 62-66 and 63-65.
inline LandmarkList withMouth(LandmarkList landmarks, double a, double b, double c) {
  landmarks[67].y = landmarks[61].y + a;
  landmarks[66].y = landmarks[62].y + b;
  landmarks[65].y = landmarks[63].y + c;
  return landmarks;
}

// Left-right balance: d(2, 30) / d(30, 14) x 100 truncates to `ratio` (d(30, 14) is 100).
inline LandmarkList withYaw(LandmarkList landmarks, int ratio) {
  const KyPoint nose = landmarks[30];
  landmarks[2] = {nose.x - (ratio + 0.5), nose.y};
  landmarks[14] = {nose.x + 100, nose.y};
  return landmarks;
}

// The outer eye corners `degrees` apart from a level line (36 to the left of 45).
inline LandmarkList withEyeLineAngle(LandmarkList landmarks, double degrees) {
  const double radians = degrees * M_PI / 180;
  const KyPoint right = landmarks[45];
  landmarks[36] = {right.x - 130 * std::cos(radians), right.y - 130 * std::sin(radians)};
  return landmarks;
}

// Nose length (27 to 33) and gap between the inner brow points (20 to 23).
inline LandmarkList withNoseToBrow(LandmarkList landmarks, double noseLength, double browGap) {
  landmarks[33].y = landmarks[27].y + noseLength;
  landmarks[20].x = 240 - browGap / 2;
  landmarks[23].x = 240 + browGap / 2;
  return landmarks;
}

// Heights of the inner brow points above the jaw tops 0 and 16.
inline LandmarkList withBrowHeights(LandmarkList landmarks, double first, double second) {
  landmarks[20].y = landmarks[0].y - first;
  landmarks[23].y = landmarks[16].y - second;
  return landmarks;
}

inline LandmarkList withOuterEyeDistance(LandmarkList landmarks, double distance) {
  landmarks[36] = {240 - distance / 2, 200};
  landmarks[45] = {240 + distance / 2, 200};
  return landmarks;
}

struct Answer {
  int32_t process;
  std::string msg;
  bool outline = false;
};

inline bool operator==(const Answer& a, const Answer& b) {
  return a.process == b.process && a.msg == b.msg && a.outline == b.outline;
}

inline void PrintTo(const Answer& answer, std::ostream* out) {
  *out << "{" << answer.process << ", \"" << answer.msg << "\"" << (answer.outline ? ", outline}" : "}");
}

inline Answer answerOf(const LDTResult& result) {
  return {result.process(), result.msg(), result.showFaceOutline() != 0};
}

}  // namespace face
