#include "view/KyMaskDisc.h"

#include <cmath>

std::shared_ptr<KyShapeLayer> KyMakeMaskDisc(KySize size, KyColor fill) {
  auto disc = std::make_shared<KyShapeLayer>();
  disc->setFrame({0, 0, size.width, size.height});
  disc->setPath(KyPath::arc({size.width / 2, size.height / 2}, size.width / 2 - 8, M_PI / 2, 5 * M_PI / 2, true));
  disc->setLineCap(KyLineCap::Round);
  disc->setStrokeStart(0);
  disc->setStrokeEnd(1);
  disc->setStrokeColor(KyColor::clear());
  disc->setFillColor(fill);
  return disc;
}
