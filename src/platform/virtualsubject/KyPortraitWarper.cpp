#include "platform/virtualsubject/KyPortraitWarper.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr double kDegree = std::numbers::pi / 180;
// Depth of the head at its centre, in units of its half-width, and the nose standing out of it.
constexpr double kHeadDepth = 0.9;
constexpr double kNoseDepth = 0.3;
// Outline points follow the head half-way, so the background bends smoothly around it.
constexpr double kOutlineFollow = 0.5;
// The dark of an open mouth, BGR.
constexpr uint8_t kCavity[3] = {28, 22, 38};

struct Colour {
  double b = 0, g = 0, r = 0;
};

Colour sampleBgra(const KyImage& image, double x, double y) {
  x = std::clamp(x, 0.0, image.width - 1.001);
  y = std::clamp(y, 0.0, image.height - 1.001);
  const auto x0 = static_cast<int32_t>(x), y0 = static_cast<int32_t>(y);
  const double fx = x - x0, fy = y - y0;
  const uint8_t* top = image.row(y0) + static_cast<size_t>(x0) * 4;
  const uint8_t* bottom = top + image.bytesPerRow;
  Colour c;
  double* channels[3] = {&c.b, &c.g, &c.r};
  for (int k = 0; k < 3; ++k) {
    *channels[k] = (top[k] * (1 - fx) + top[k + 4] * fx) * (1 - fy) + (bottom[k] * (1 - fx) + bottom[k + 4] * fx) * fy;
  }
  return c;
}

uint8_t toByte(double value) { return static_cast<uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

void movePointTowards(KyPoint& point, const KyPoint& target, double amount) {
  point.x += (target.x - point.x) * amount;
  point.y += (target.y - point.y) * amount;
}

}  // namespace

KyPortraitWarper::KyPortraitWarper(KyPortrait portrait) : portrait_(std::move(portrait)) { buildMesh(); }

void KyPortraitWarper::buildMesh() {
  const LandmarkList& marks = portrait_.landmarks;
  points_ = marks;
  kinds_.assign(points_.size(), Kind::Face);
  double minX = marks[0].x, maxX = minX, browY = marks[19].y, chinY = marks[8].y;
  for (const KyPoint& p : marks) minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
  for (size_t i = 17; i <= 26; ++i) browY = std::min(browY, marks[i].y);
  const double width = maxX - minX;
  const double foreheadTop = browY - 0.38 * width;
  head_ = {(minX + maxX) / 2, (foreheadTop + chinY) / 2, width / 2, (chinY - foreheadTop) / 2};

  // Two rows of forehead points above the brows.
  for (double lift : {0.18, 0.38}) {
    for (size_t i = 17; i <= 26; i += 3) points_.push_back({marks[i].x, marks[i].y - lift * width});
  }
  kinds_.resize(points_.size(), Kind::Face);
  // The head outline: an ellipse around face and forehead.
  for (int i = 0; i < 20; ++i) {
    const double angle = 2 * std::numbers::pi * i / 20;
    points_.push_back({head_.centreX + 1.35 * head_.radiusX * std::cos(angle),
                       head_.centreY + 1.25 * head_.radiusY * std::sin(angle)});
  }
  kinds_.resize(points_.size(), Kind::Outline);
  // The frame's border, fixed.
  const double w = portrait_.image.width - 1, h = portrait_.image.height - 1;
  for (int i = 0; i <= 4; ++i) {
    points_.push_back({w * i / 4, 0});
    points_.push_back({w * i / 4, h});
  }
  for (int i = 1; i < 5; ++i) {
    points_.push_back({0, h * i / 5});
    points_.push_back({w, h * i / 5});
  }
  kinds_.resize(points_.size(), Kind::Border);
  for (KyPoint& p : points_) {
    p.x = std::clamp(p.x, 0.0, w);
    p.y = std::clamp(p.y, 0.0, h);
  }
  depths_.resize(points_.size());
  for (size_t i = 0; i < points_.size(); ++i) depths_[i] = depthOf(i);
  triangles_ = kyDelaunayTriangulate(points_);
}

double KyPortraitWarper::depthOf(size_t index) const {
  if (kinds_[index] != Kind::Face) return 0;
  const double u = (points_[index].x - head_.centreX) / head_.radiusX;
  const double v = (points_[index].y - head_.centreY) / head_.radiusY;
  double depth = kHeadDepth * head_.radiusX * std::sqrt(std::max(0.0, 1 - u * u - v * v));
  if (index >= 27 && index <= 35) {
    // The bridge rises towards the tip (30); the nostrils stand out a little less.
    const double rise = index <= 30 ? 0.4 + 0.2 * static_cast<double>(index - 27) : 0.6;
    depth += kNoseDepth * head_.radiusX * rise;
  }
  return depth;
}

// The mesh with the eyelids and lips moved, before the head moves.
std::vector<KyPoint> KyPortraitWarper::expressionPoints(const KySubjectPose& pose) const {
  std::vector<KyPoint> points = points_;
  const double closed = std::clamp(pose.eyesClosed, 0.0, 1.0);
  // Upper lids (37, 38 and 43, 44) come down onto the lower lids (41, 40 and 47, 46).
  for (auto [upper, lower] : {std::pair{37, 41}, {38, 40}, {43, 47}, {44, 46}}) {
    movePointTowards(points[upper], points_[lower], closed);
  }
  const double pressed = std::clamp(pose.lipsClosed, 0.0, 1.0);
  for (auto [upper, lower] : {std::pair{61, 67}, {62, 66}, {63, 65}}) {
    const KyPoint middle{(points_[upper].x + points_[lower].x) / 2, (points_[upper].y + points_[lower].y) / 2};
    movePointTowards(points[upper], middle, pressed);
    movePointTowards(points[lower], middle, pressed);
  }
  const double gap = std::max(0.0, pose.mouthOpen);
  for (int i : {55, 56, 57, 58, 59, 65, 66, 67}) points[i].y += gap;
  // The jaw drops with the lower lip, most at the chin.
  for (int i = 5; i <= 11; ++i) points[i].y += gap * (1 - std::abs(i - 8) / 4.0);
  return points;
}

std::vector<KyPoint> KyPortraitWarper::posedPoints(const KySubjectPose& pose) const {
  std::vector<KyPoint> points = expressionPoints(pose);
  const double yaw = pose.yawDegrees * kDegree, pitch = pose.pitchDegrees * kDegree, roll = pose.rollDegrees * kDegree;
  const double pivotDepth = kHeadDepth * head_.radiusX * 0.5;
  for (size_t i = 0; i < points.size(); ++i) {
    if (kinds_[i] == Kind::Border) continue;
    const double x0 = points[i].x - head_.centreX, y0 = points[i].y - head_.centreY, z0 = depths_[i] - pivotDepth;
    // Turn about the vertical axis, then nod about the horizontal one, then tilt in the picture.
    const double x1 = x0 * std::cos(yaw) + z0 * std::sin(yaw), z1 = -x0 * std::sin(yaw) + z0 * std::cos(yaw);
    const double y2 = y0 * std::cos(pitch) - z1 * std::sin(pitch);
    const double x3 = x1 * std::cos(roll) - y2 * std::sin(roll), y3 = x1 * std::sin(roll) + y2 * std::cos(roll);
    const double posedX = head_.centreX + pose.jitterX + pose.scale * x3;
    const double posedY = head_.centreY + pose.jitterY + pose.scale * y3;
    double follow = kinds_[i] == Kind::Outline ? kOutlineFollow : 1;
    points[i].x += (posedX - points[i].x) * follow;
    points[i].y += (posedY - points[i].y) * follow;
  }
  return points;
}

bool KyPortraitWarper::isFaceTriangle(const KyTriangle& triangle) const {
  return std::all_of(triangle.begin(), triangle.end(), [&](int i) { return kinds_[i] == Kind::Face; });
}

// Darkens the inside of the posed inner lip line (points 60-67): the open mouth.
void KyPortraitWarper::fillMouthCavity(const std::vector<KyPoint>& posed, std::vector<uint8_t>& out) const {
  const int32_t width = portrait_.image.width, height = portrait_.image.height;
  double minX = posed[60].x, maxX = minX, minY = posed[60].y, maxY = minY;
  for (int i = 61; i <= 67; ++i) {
    minX = std::min(minX, posed[i].x), maxX = std::max(maxX, posed[i].x);
    minY = std::min(minY, posed[i].y), maxY = std::max(maxY, posed[i].y);
  }
  for (int32_t y = std::max(0, int32_t(minY)); y <= std::min(height - 1, int32_t(maxY) + 1); ++y) {
    for (int32_t x = std::max(0, int32_t(minX)); x <= std::min(width - 1, int32_t(maxX) + 1); ++x) {
      bool inside = false;  // even-odd crossings of a ray to the right
      for (int i = 60, j = 67; i <= 67; j = i++) {
        const KyPoint &a = posed[i], &b = posed[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
      }
      if (inside) std::copy(kCavity, kCavity + 3, out.data() + (static_cast<size_t>(y) * width + x) * 4);
    }
  }
}

KySampleBuffer KyPortraitWarper::render(const KySubjectPose& pose, uint64_t seed, int64_t timestampMs) const {
  const KyImage& source = portrait_.image;
  const int32_t width = source.width, height = source.height;
  std::vector<uint8_t> out(source.pixels->begin(), source.pixels->end());
  const std::vector<KyPoint> posed = posedPoints(pose);
  const double tint[3] = {pose.tintB * 255, pose.tintG * 255, pose.tintR * 255};
  const double tintStrength = std::clamp(pose.tintStrength, 0.0, 1.0);
  for (const KyTriangle& t : triangles_) {
    const KyPoint &d0 = posed[t[0]], &d1 = posed[t[1]], &d2 = posed[t[2]];
    const KyPoint &s0 = points_[t[0]], &s1 = points_[t[1]], &s2 = points_[t[2]];
    const double area = (d1.x - d0.x) * (d2.y - d0.y) - (d1.y - d0.y) * (d2.x - d0.x);
    if (std::abs(area) < 1e-6) continue;
    const bool tinted = tintStrength > 0 && isFaceTriangle(t);
    const int32_t x0 = std::max(0, static_cast<int32_t>(std::floor(std::min({d0.x, d1.x, d2.x}))));
    const int32_t x1 = std::min(width - 1, static_cast<int32_t>(std::ceil(std::max({d0.x, d1.x, d2.x}))));
    const int32_t y0 = std::max(0, static_cast<int32_t>(std::floor(std::min({d0.y, d1.y, d2.y}))));
    const int32_t y1 = std::min(height - 1, static_cast<int32_t>(std::ceil(std::max({d0.y, d1.y, d2.y}))));
    for (int32_t y = y0; y <= y1; ++y) {
      for (int32_t x = x0; x <= x1; ++x) {
        // Barycentric weights of the pixel centre in the posed triangle.
        const double w1 = ((x - d0.x) * (d2.y - d0.y) - (y - d0.y) * (d2.x - d0.x)) / area;
        const double w2 = ((d1.x - d0.x) * (y - d0.y) - (d1.y - d0.y) * (x - d0.x)) / area;
        const double w0 = 1 - w1 - w2;
        constexpr double kEdge = -1e-6;
        if (w0 < kEdge || w1 < kEdge || w2 < kEdge) continue;
        uint8_t* pixel = out.data() + (static_cast<size_t>(y) * width + x) * 4;
        const Colour c = sampleBgra(source, w0 * s0.x + w1 * s1.x + w2 * s2.x, w0 * s0.y + w1 * s1.y + w2 * s2.y);
        const double channels[3] = {c.b, c.g, c.r};
        for (int k = 0; k < 3; ++k) {
          pixel[k] = toByte(tinted ? channels[k] + (tint[k] - channels[k]) * tintStrength : channels[k]);
        }
      }
    }
  }
  if (pose.mouthOpen > 0) fillMouthCavity(posed, out);
  if (pose.noise > 0) {
    std::mt19937_64 random(seed);
    std::normal_distribution<double> noise(0, pose.noise);
    for (size_t i = 0; i < out.size(); i += 4) {
      const double n = noise(random);
      for (size_t k = 0; k < 3; ++k) out[i + k] = toByte(out[i + k] + n);
    }
  }
  KySampleBuffer frame;
  frame.pixels = std::make_shared<const std::vector<uint8_t>>(std::move(out));
  frame.width = width;
  frame.height = height;
  frame.bytesPerRow = width * 4;
  frame.timestampMs = timestampMs;
  return frame;
}
