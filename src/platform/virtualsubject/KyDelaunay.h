// Delaunay triangulation of a point set (Bowyer-Watson), for the virtual subject's warp mesh.
#pragma once

#include <array>
#include <vector>

#include "utils/KyLDCommUtil.h"

// Three indices into the triangulated points, counter-clockwise in image coordinates
// (y down) as seen on screen.
using KyTriangle = std::array<int, 3>;

// Triangles covering the convex hull of the points, none overlapping, with no point inside
// any triangle's circumcircle. Duplicate points are left out of the mesh.
std::vector<KyTriangle> kyDelaunayTriangulate(const std::vector<KyPoint>& points);
