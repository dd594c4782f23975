#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>

#include "platform/virtualsubject/KyDelaunay.h"

namespace {

double signedArea(const std::vector<KyPoint>& p, const KyTriangle& t) {
  return ((p[t[1]].x - p[t[0]].x) * (p[t[2]].y - p[t[0]].y) - (p[t[1]].y - p[t[0]].y) * (p[t[2]].x - p[t[0]].x)) / 2;
}

// Points in a w x h rectangle whose corners are among them, so the hull is the rectangle.
std::vector<KyPoint> pointsInRectangle(double w, double h, int count, unsigned seed, bool grid) {
  std::vector<KyPoint> points{{0, 0}, {w, 0}, {0, h}, {w, h}};
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> x(0, w), y(0, h);
  for (int i = 0; i < count; ++i) {
    if (grid) {
      points.push_back({w * (i % 7) / 6, h * (i / 7) / 6.0});  // collinear and repeated points
    } else {
      points.push_back({x(random), y(random)});
    }
  }
  return points;
}

}  // namespace

TEST(DelaunayTest, TrianglesTileTheHullWithoutOverlapAndKeepCircumcirclesEmpty) {
  struct Case {
    const char* name;
    int count;
    unsigned seed;
    bool grid;
  };
  for (const Case& c : {Case{"random", 150, 1, false}, Case{"random2", 40, 7, false}, Case{"grid", 49, 0, true}}) {
    SCOPED_TRACE(c.name);
    const std::vector<KyPoint> points = pointsInRectangle(480, 640, c.count, c.seed, c.grid);
    const std::vector<KyTriangle> triangles = kyDelaunayTriangulate(points);
    double total = 0;
    std::set<int> used;
    for (const KyTriangle& t : triangles) {
      const double area = signedArea(points, t);
      ASSERT_GT(area, 0) << "every triangle has the same orientation";
      total += area;
      used.insert(t.begin(), t.end());
    }
    // Same orientation everywhere and areas adding up to the hull's: the triangles cannot overlap.
    EXPECT_NEAR(total, 480.0 * 640.0, 1e-6 * 480 * 640);
    std::set<std::pair<double, double>> distinct;
    for (const KyPoint& p : points) distinct.insert({p.x, p.y});
    EXPECT_EQ(used.size(), distinct.size()) << "every distinct point is a corner";
    for (const KyTriangle& t : triangles) {
      const KyPoint &a = points[t[0]], &b = points[t[1]], &cc = points[t[2]];
      for (const KyPoint& p : points) {
        // In-circle determinant, positive when p is strictly inside the circumcircle.
        const double ax = a.x - p.x, ay = a.y - p.y, bx = b.x - p.x, by = b.y - p.y, cx = cc.x - p.x,
                     cy = cc.y - p.y;
        const double det = (ax * ax + ay * ay) * (bx * cy - cx * by) - (bx * bx + by * by) * (ax * cy - cx * ay) +
                           (cx * cx + cy * cy) * (ax * by - bx * ay);
        EXPECT_LE(det, 1e-3 * 480 * 640 * 480 * 640) << "point inside a circumcircle";
      }
    }
  }
}

TEST(DelaunayTest, TooFewOrCollinearPointsGiveNoTriangles) {
  EXPECT_TRUE(kyDelaunayTriangulate({}).empty());
  EXPECT_TRUE(kyDelaunayTriangulate({{0, 0}, {1, 1}}).empty());
  EXPECT_TRUE(kyDelaunayTriangulate({{0, 0}, {1, 1}, {2, 2}, {3, 3}}).empty());
}
