// Direct access to the four members of dlib's shape_predictor, which this dlib release
// keeps private. The model codec fills and reads them without dlib's own serialisation.
#pragma once

#include <dlib/image_processing/shape_predictor.h>

#include <vector>

namespace kyvorinfo::morlin {

using ShapeVector = dlib::matrix<float, 0, 1>;
using RegressionTree = dlib::impl::regression_tree;
using Forests = std::vector<std::vector<RegressionTree>>;
using AnchorIndices = std::vector<std::vector<unsigned long>>;
using Deltas = std::vector<std::vector<dlib::vector<float, 2>>>;

ShapeVector& initialShapeOf(dlib::shape_predictor& predictor);
Forests& forestsOf(dlib::shape_predictor& predictor);
AnchorIndices& anchorIndicesOf(dlib::shape_predictor& predictor);
Deltas& deltasOf(dlib::shape_predictor& predictor);

}  // namespace kyvorinfo::morlin
