// Test-only exports: the settings verifyInit changes, and HostAppViewUtil over real containers.
#include <kylivingdetection/KyLivingDetectionManager.h>

#include <string>

#include "BridgeUIThread.h"
#include "HostAppViewUtil.h"
#include "KyLivingDetectionModule.h"
#include "platform/ui/KyNavigationController.h"
#include "platform/ui/KyTabBarController.h"
#include "platform/ui/KyWindow.h"

namespace {

Napi::Array colourArray(Napi::Env env, const KyColor& colour) {
  Napi::Array array = Napi::Array::New(env, 4);
  const float parts[] = {colour.r, colour.g, colour.b, colour.a};
  for (uint32_t i = 0; i < 4; ++i) array.Set(i, Napi::Number::New(env, parts[i]));
  return array;
}

Napi::Value settings(const Napi::CallbackInfo& info) {
  Napi::Env env = info.Env();
  const KyLivingViewStyle* style = KyLivingDetectionManager::LivingViewStyleInstance();
  Napi::Object answer = Napi::Object::New(env);
  answer.Set("autoUploadVerifyMsg", KyLivingDetectionManager::LivingConfigInstance()->GetIsAutoUploadVerifyMsg());
  answer.Set("progressWidth", static_cast<double>(style->getProgressWidth()));
  answer.Set("backGroundColor", colourArray(env, style->getBackGroundColor()));
  answer.Set("textColor", colourArray(env, style->getTextColor()));
  return answer;
}

std::shared_ptr<KyViewController> titled(const std::string& title) {
  auto controller = std::make_shared<KyViewController>();
  controller->setTitle(title);
  return controller;
}

// Builds a key window for the scenario and answers the title of the screen getViewController finds:
// "navigation" (list, then detail pushed), "presented" (navigation with a screen presented over it),
// "tabs" (second tab selected, holding a navigation container).
std::string shownTitle(const std::string& scenario) {
  auto navigation = KyNavigationController::initWithRootViewController(titled("list"));
  navigation->setTitle("navigation");
  navigation->pushViewController(titled("detail"), false);
  std::shared_ptr<KyViewController> root = navigation;
  if (scenario == "tabs") {
    auto tabs = std::make_shared<KyTabBarController>();
    tabs->setViewControllers({titled("first tab"), navigation});
    tabs->setSelectedIndex(1);
    root = tabs;
  }
  std::shared_ptr<KyWindow> window = KyWindow::create();
  window->setRootViewController(root);
  window->makeKeyAndVisible();
  if (scenario == "presented") navigation->presentViewController(titled("presented"), false);
  std::shared_ptr<KyViewController> shown = HostAppViewUtil::getViewController();
  return shown ? shown->title() : "";
}

Napi::Value shownScreen(const Napi::CallbackInfo& info) {
  const std::string scenario = info[0].ToString().Utf8Value();
  return Napi::String::New(info.Env(),
                           BridgeUIThread::shared().call<std::string>([scenario] { return shownTitle(scenario); }));
}

}  // namespace

Napi::Object makeBridgeTestingExports(Napi::Env env) {
  Napi::Object testing = Napi::Object::New(env);
  testing.Set("settings", Napi::Function::New(env, settings, "settings"));
  testing.Set("shownScreen", Napi::Function::New(env, shownScreen, "shownScreen"));
#ifdef KYLD_BRIDGE_SESSION_SCRIPT
  addBridgeSessionScript(env, testing);
#endif
  return testing;
}
