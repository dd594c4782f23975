// Renders a placed portrait in a given pose: a backward piecewise-affine warp over a Delaunay
// mesh of the landmarks plus forehead, head-outline and frame-border points. The head turns
// and nods on a 2.5D depth model (an ellipsoid with a raised nose), so a turn shows parallax.
#pragma once

#include <kylivingdetection/KySampleBuffer.h>

#include <cstdint>
#include <vector>

#include "platform/virtualsubject/KyDelaunay.h"
#include "platform/virtualsubject/KyPortrait.h"
#include "platform/virtualsubject/KySubjectPose.h"

class KyPortraitWarper {
 public:
  explicit KyPortraitWarper(KyPortrait portrait);

  const KyPortrait& portrait() const { return portrait_; }
  // The mesh in the portrait's pixels: the 68 landmarks first, then the added points.
  const std::vector<KyPoint>& meshPoints() const { return points_; }
  const std::vector<KyTriangle>& triangles() const { return triangles_; }
  // Where every mesh point lands in a frame showing the pose.
  std::vector<KyPoint> posedPoints(const KySubjectPose& pose) const;
  // One BGRA frame of the portrait's size; seed drives the sensor noise.
  KySampleBuffer render(const KySubjectPose& pose, uint64_t seed = 0, int64_t timestampMs = 0) const;

 private:
  enum class Kind : uint8_t { Face, Outline, Border };
  struct Geometry {
    double centreX = 0, centreY = 0, radiusX = 1, radiusY = 1;
  };

  void buildMesh();
  double depthOf(size_t index) const;
  std::vector<KyPoint> expressionPoints(const KySubjectPose& pose) const;
  bool isFaceTriangle(const KyTriangle& triangle) const;
  void fillMouthCavity(const std::vector<KyPoint>& posed, std::vector<uint8_t>& out) const;

  KyPortrait portrait_;
  Geometry head_;
  std::vector<KyPoint> points_;
  std::vector<Kind> kinds_;
  std::vector<double> depths_;
  std::vector<KyTriangle> triangles_;
};
