// Loads the detection screen's images from the resource bundle "KyLivingIcon".
#pragma once

#include <memory>
#include <string>

class KyUIImage;

class LivingImageLoadUtil {
 public:
  // The PNG "<name>.png" of the bundle, or none when the bundle or the file is missing.
  static std::shared_ptr<KyUIImage> loadImageByName(const std::string& name);
};
