#include <kylivingdetection/KyLivingVersion.h>

#include <cstdio>

#include "Commands.h"

int kyldVersion(KyldArgs) {
  std::puts(KY_LIVING_SDK_VERSION);
  return 0;
}
