#include <gtest/gtest.h>
#include <kylivingdetection/KyApplicationInfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>

#include "utils/KYDeviceUtils.h"

namespace {

TEST(DeviceInfo, MachineIdentifiersMapThroughTheModelTable) {
  struct Case {
    const char* machine;
    const char* name;
  };
  const Case cases[] = {
      {"iPhone9,1", "iPhone 7"},
      {"iPhone9,2", "iPhone 7plus"},
      {"iPhone9,3", "美版、台版iPhone 7"},
      {"iPhone10,6", "iPhone_X"},
      {"iPhone10,4", "iPhone_8"},
      {"iPhone3,3", "iPhone 4"},
      {"iPod5,1", "iPod Touch (5 Gen)"},
      {"iPad2,4", "iPad 2"},
      {"iPad4,9", "iPad Mini 3"},
      {"iPad6,8", "iPad Pro 12.9"},
      {"AppleTV5,3", "Apple TV 4"},
      {"x86_64", "Simulator"},
      {"i386", "Simulator"},
      {"iPad4,3", "iPad4,3"},  // not in the table: unchanged
      {"iPhone12,1", "iPhone12,1"},
      {"iphone9,1", "iphone9,1"},  // exact, case-sensitive
      {"aarch64", "aarch64"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(KYDeviceUtils::deviceNameForMachine(c.machine), c.name) << c.machine;
}

TEST(DeviceInfo, DeviceNameComesFromThisMachine) {
  utsname names{};
  ASSERT_EQ(::uname(&names), 0);
  EXPECT_EQ(KYDeviceUtils::getDeviceName(), KYDeviceUtils::deviceNameForMachine(names.machine));
}

TEST(DeviceInfo, ApplicationFactsHaveLinuxDefaultsUntilTheHostSetsThem) {
  KyApplicationInfo defaults = KyLivingGetApplicationInfo();
  EXPECT_EQ(KYDeviceUtils::getAPPName(), "test_client");
  EXPECT_EQ(KYDeviceUtils::getBundleID(), "");
  EXPECT_EQ(KYDeviceUtils::getModel(), "Linux");
  EXPECT_FALSE(KYDeviceUtils::getOsVersion().empty());

  KyLivingSetApplicationInfo({"Demo", "com.example.demo", "12", "Phone"});
  EXPECT_EQ(KYDeviceUtils::getAPPName(), "Demo");
  EXPECT_EQ(KYDeviceUtils::getBundleID(), "com.example.demo");
  EXPECT_EQ(KYDeviceUtils::getOsVersion(), "12");
  EXPECT_EQ(KYDeviceUtils::getModel(), "Phone");

  KyLivingSetApplicationInfo({"", "", "", ""});  // a host without a name gets the empty text
  EXPECT_EQ(KYDeviceUtils::getAPPName(), "");
  KyLivingSetApplicationInfo(defaults);
}

TEST(DeviceInfo, IntegrityProbeSeesRootAndPreloadedLibraries) {
  const char* preload = std::getenv("LD_PRELOAD");
  std::string saved = preload != nullptr ? preload : "";
  ::setenv("LD_PRELOAD", "/tmp/inject.so", 1);
  EXPECT_TRUE(KYDeviceUtils::isBreakFlag());
  ::unsetenv("LD_PRELOAD");
  if (::geteuid() == 0) {
    EXPECT_TRUE(KYDeviceUtils::isBreakFlag());
  }
  if (!saved.empty()) ::setenv("LD_PRELOAD", saved.c_str(), 1);
}

}  // namespace
