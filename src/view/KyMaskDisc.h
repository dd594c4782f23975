// The disc shared by the overlays on the camera preview: a circle of radius w / 2 - 8 at
// the centre of a w x h area, filled with one colour, as a shape layer of that area.
#pragma once

#include <kylivingdetection/KyColor.h>

#include <memory>

#include "platform/ui/KyShapeLayer.h"

std::shared_ptr<KyShapeLayer> KyMakeMaskDisc(KySize size, KyColor fill);
