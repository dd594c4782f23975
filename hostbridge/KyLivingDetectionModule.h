// The library as a Node-API module: Init, verifyInit and startLivingDetect for JavaScript hosts.
#pragma once

#include <napi.h>

#include <kylivingdetection/KyLivingDetectResult.h>

class KyLivingDetectionModule {
 public:
  static Napi::Object registerExports(Napi::Env env, Napi::Object exports);

  // Loads the landmark model ahead of the first session.
  static Napi::Value Init(const Napi::CallbackInfo& info);
  // Options in, answer object out.
  static Napi::Value verifyInit(const Napi::CallbackInfo& info);
  // Options and callback(answer, keepAlive); the answer arrives once, on the JavaScript thread.
  static Napi::Value startLivingDetect(const Napi::CallbackInfo& info);

  // {"code", "data", "msg", "token"}, each "" when absent.
  static Napi::Object answerMap(Napi::Env env, const KyLivingDetectResult& result);
};

// Test-only views into the library state the module changes and into HostAppViewUtil.
Napi::Object makeBridgeTestingExports(Napi::Env env);
// Test builds only: a scripted camera, a sealed token and a fed detection screen.
void addBridgeSessionScript(Napi::Env env, Napi::Object testing);
