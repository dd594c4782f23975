#include "view/LivingImageLoadUtil.h"

#include "platform/ui/KyBundle.h"
#include "platform/ui/KyUIImage.h"

std::shared_ptr<KyUIImage> LivingImageLoadUtil::loadImageByName(const std::string& name) {
  std::optional<std::string> bundlePath = KyBundle::mainBundle().pathForResource("KyLivingIcon", "bundle");
  if (!bundlePath) return nullptr;
  std::optional<KyBundle> bundle = KyBundle::bundleWithPath(*bundlePath);
  if (!bundle) return nullptr;
  std::optional<std::string> file = bundle->pathForResource(name, "png");
  return file ? KyUIImage::imageWithContentsOfFile(*file) : nullptr;
}
