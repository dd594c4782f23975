// The private members are reached through pointers-to-member taken in explicit template
// instantiations, where access checking does not apply to the template arguments
// ([temp.explicit]/12 of the C++ standard). Each instantiation defines a friend function
// that hands out its member pointer; the tag type selects which one.
#include "dlibwrapper/ShapePredictorAccess.h"

namespace kyvorinfo::morlin {
namespace {

template <typename Tag, typename Tag::Pointer member>
struct MemberPointerExport {
  friend typename Tag::Pointer memberPointer(Tag) { return member; }
};

struct InitialShape {
  using Pointer = ShapeVector dlib::shape_predictor::*;
  friend Pointer memberPointer(InitialShape);
};
struct ForestsTag {
  using Pointer = Forests dlib::shape_predictor::*;
  friend Pointer memberPointer(ForestsTag);
};
struct AnchorIdx {
  using Pointer = AnchorIndices dlib::shape_predictor::*;
  friend Pointer memberPointer(AnchorIdx);
};
struct DeltasTag {
  using Pointer = Deltas dlib::shape_predictor::*;
  friend Pointer memberPointer(DeltasTag);
};

template struct MemberPointerExport<InitialShape, &dlib::shape_predictor::initial_shape>;
template struct MemberPointerExport<ForestsTag, &dlib::shape_predictor::forests>;
template struct MemberPointerExport<AnchorIdx, &dlib::shape_predictor::anchor_idx>;
template struct MemberPointerExport<DeltasTag, &dlib::shape_predictor::deltas>;

}  // namespace

ShapeVector& initialShapeOf(dlib::shape_predictor& predictor) { return predictor.*memberPointer(InitialShape{}); }
Forests& forestsOf(dlib::shape_predictor& predictor) { return predictor.*memberPointer(ForestsTag{}); }
AnchorIndices& anchorIndicesOf(dlib::shape_predictor& predictor) { return predictor.*memberPointer(AnchorIdx{}); }
Deltas& deltasOf(dlib::shape_predictor& predictor) { return predictor.*memberPointer(DeltasTag{}); }

}  // namespace kyvorinfo::morlin
