#include "platform/virtualsubject/KyDelaunay.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace {

struct Circle {
  double x = 0, y = 0, radiusSquared = -1;
};

double cross(const KyPoint& a, const KyPoint& b, const KyPoint& c) {
  return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

Circle circumcircle(const KyPoint& a, const KyPoint& b, const KyPoint& c) {
  const double d = 2 * cross(a, b, c);
  if (std::abs(d) < 1e-12) return {};
  const double a2 = a.x * a.x + a.y * a.y, b2 = b.x * b.x + b.y * b.y, c2 = c.x * c.x + c.y * c.y;
  Circle circle;
  circle.x = (a2 * (b.y - c.y) + b2 * (c.y - a.y) + c2 * (a.y - b.y)) / d;
  circle.y = (a2 * (c.x - b.x) + b2 * (a.x - c.x) + c2 * (b.x - a.x)) / d;
  circle.radiusSquared = (a.x - circle.x) * (a.x - circle.x) + (a.y - circle.y) * (a.y - circle.y);
  return circle;
}

struct Working {
  KyTriangle corners;
  Circle circle;
};

Working makeTriangle(const std::vector<KyPoint>& points, int a, int b, int c) {
  if (cross(points[a], points[b], points[c]) < 0) std::swap(b, c);
  return {{a, b, c}, circumcircle(points[a], points[b], points[c])};
}

bool inside(const Circle& circle, const KyPoint& p) {
  if (circle.radiusSquared < 0) return true;  // degenerate: let it be replaced
  const double dx = p.x - circle.x, dy = p.y - circle.y;
  return dx * dx + dy * dy < circle.radiusSquared * (1 + 1e-12);
}

}  // namespace

std::vector<KyTriangle> kyDelaunayTriangulate(const std::vector<KyPoint>& input) {
  if (input.size() < 3) return {};
  double minX = input[0].x, maxX = minX, minY = input[0].y, maxY = minY;
  for (const KyPoint& p : input) {
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  // A super-triangle far outside every point; its corners are removed at the end. Far enough
  // that no triangle along the hull is lost to a circumcircle through a super corner.
  const double span = std::max({maxX - minX, maxY - minY, 1.0}) * 1000;
  const double midX = (minX + maxX) / 2, midY = (minY + maxY) / 2;
  std::vector<KyPoint> points = input;
  const int super = static_cast<int>(points.size());
  points.push_back({midX - span, midY - span});
  points.push_back({midX + span, midY - span});
  points.push_back({midX, midY + span});

  std::vector<Working> triangles{makeTriangle(points, super, super + 1, super + 2)};
  for (int i = 0; i < super; ++i) {
    const KyPoint& p = points[i];
    bool duplicate = false;
    for (int j = 0; j < i && !duplicate; ++j) duplicate = points[j].x == p.x && points[j].y == p.y;
    if (duplicate) continue;
    // The cavity: triangles whose circumcircle holds the point; its boundary edges are
    // those that belong to exactly one of them.
    std::map<std::pair<int, int>, int> edgeCount;
    std::vector<Working> kept;
    for (const Working& t : triangles) {
      if (!inside(t.circle, p)) {
        kept.push_back(t);
        continue;
      }
      for (int e = 0; e < 3; ++e) {
        int a = t.corners[e], b = t.corners[(e + 1) % 3];
        ++edgeCount[{std::min(a, b), std::max(a, b)}];
      }
    }
    for (const auto& [edge, count] : edgeCount) {
      if (count == 1) kept.push_back(makeTriangle(points, edge.first, edge.second, i));
    }
    triangles = std::move(kept);
  }
  std::vector<KyTriangle> result;
  for (const Working& t : triangles) {
    const bool touchesSuper = std::any_of(t.corners.begin(), t.corners.end(), [&](int c) { return c >= super; });
    if (!touchesSuper && std::abs(cross(points[t.corners[0]], points[t.corners[1]], points[t.corners[2]])) > 1e-9) {
      result.push_back(t.corners);
    }
  }
  return result;
}
