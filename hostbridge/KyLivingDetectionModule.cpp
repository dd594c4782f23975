#include "KyLivingDetectionModule.h"

#include <kylivingdetection/KyLivingDetectionManager.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "BridgeUIThread.h"
#include "HostAppViewUtil.h"
#include "dlibwrapper/KyDlibWrapper.h"
#include "platform/ui/KyViewController.h"
#include "utils/LogManager.h"

namespace {

// A value of the wrong kind; its text becomes the answer's message.
struct OptionError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class Options {
 public:
  explicit Options(const Napi::Value& value)
      : object_(value.IsObject() ? std::optional<Napi::Object>(value.As<Napi::Object>()) : std::nullopt) {}

  bool has(const char* key) const {
    if (!object_ || !object_->Has(key)) return false;
    const Napi::Value value = object_->Get(key);
    return !value.IsUndefined() && !value.IsNull();
  }
  bool boolean(const char* key) const {
    const Napi::Value value = object_->Get(key);
    if (!value.IsBoolean()) throw OptionError(std::string("option ") + key + " is not a boolean");
    return value.As<Napi::Boolean>().Value();
  }
  int32_t integer(const char* key) const {
    const Napi::Value value = object_->Get(key);
    if (!value.IsNumber()) throw OptionError(std::string("option ") + key + " is not an integer");
    const double number = value.As<Napi::Number>().DoubleValue();
    if (number != static_cast<double>(static_cast<int32_t>(number))) {
      throw OptionError(std::string("option ") + key + " is not an integer");
    }
    return static_cast<int32_t>(number);
  }
  std::string text(const char* key, const char* kind) const {
    const Napi::Value value = object_->Get(key);
    if (!value.IsString()) throw OptionError(std::string("option ") + key + " is not " + kind);
    return value.As<Napi::String>().Utf8Value();
  }

 private:
  std::optional<Napi::Object> object_;
};

using ColourSetter = KyLivingViewStyle* (KyLivingViewStyle::*)(std::string_view);

struct ColourOption {
  const char* key;
  ColourSetter setter;
};

// The style keys in the order they are applied; "progressWidth" sits between textColor and exitBtnColor.
constexpr ColourOption kColoursBeforeWidth[] = {
    {"backGroundColor", &KyLivingViewStyle::setBackGroundColor},
    {"progressStaGradient", &KyLivingViewStyle::setProgressStaGradient},
    {"progressEndGradient", &KyLivingViewStyle::setProgressEndGradient},
    {"progressBgColor", &KyLivingViewStyle::setProgressBgColor},
    {"progressBorderColor", &KyLivingViewStyle::setProgressBorderColor},
    {"textColor", &KyLivingViewStyle::setTextColor},
};
constexpr ColourOption kColoursAfterWidth[] = {
    {"exitBtnColor", &KyLivingViewStyle::setExitBtnColor},
    {"ldtLabelNormalColor", &KyLivingViewStyle::setLdtLabelNormalColor},
    {"ldtLabelProcessColor", &KyLivingViewStyle::setLdtLabelProcessColor},
    {"ldtLabelCompleteColor", &KyLivingViewStyle::setLdtLabelCompleteColor},
};

void applyColours(const Options& options, const ColourOption* begin, const ColourOption* end) {
  KyLivingViewStyle* style = KyLivingDetectionManager::LivingViewStyleInstance();
  for (const ColourOption* option = begin; option != end; ++option) {
    if (options.has(option->key)) (style->*option->setter)(options.text(option->key, "a colour text"));
  }
}

// Applies the options one by one; a failure leaves those before it applied.
KyLivingDetectResult applyAndInitialise(const Options& options) {
  if (options.has("uploadLogOnError") && options.boolean("uploadLogOnError")) LogManager::startUpLog();
  if (options.has("autoUploadVeirfyMsg")) {
    KyLivingDetectionManager::LivingConfigInstance()->SetIsAutoUploadVerifyMsg(options.boolean("autoUploadVeirfyMsg"));
  }
  applyColours(options, std::begin(kColoursBeforeWidth), std::end(kColoursBeforeWidth));
  if (options.has("progressWidth")) {
    const float width = static_cast<float>(options.integer("progressWidth"));
    KyLivingDetectionManager::LivingViewStyleInstance()->setProgressWidth(width);
  }
  applyColours(options, std::begin(kColoursAfterWidth), std::end(kColoursAfterWidth));
  return KyLivingDetectionManager::verifyInit(options.integer("livingType"));
}

void callHost(Napi::Env env, Napi::Function callback, std::nullptr_t*, KyLivingDetectResult* delivered) {
  std::unique_ptr<KyLivingDetectResult> result(delivered);
  if (env == nullptr || callback.IsEmpty()) return;
  try {
    callback.Call({KyLivingDetectionModule::answerMap(env, *result), Napi::Boolean::New(env, false)});
  } catch (const Napi::Error& error) {
    // The host's fault must not take the process down with it.
    std::fprintf(stderr, "kylivingdetection: the startLivingDetect callback threw: %s\n", error.Message().c_str());
  }
}

using SessionCallback = Napi::TypedThreadSafeFunction<std::nullptr_t, KyLivingDetectResult, callHost>;

// Hands the session's first result to the host callback and lets the process end afterwards.
KyLivingDetectCallback deliverOnce(SessionCallback host) {
  auto delivered = std::make_shared<std::atomic<bool>>(false);
  auto shared = std::make_shared<SessionCallback>(std::move(host));
  return [delivered, shared](const KyLivingDetectResult& result) {
    if (delivered->exchange(true)) return;
    shared->NonBlockingCall(new KyLivingDetectResult(result));
    shared->Release();
  };
}

void answerAtOnce(const Napi::Function& callback, const KyLivingDetectResult& result) {
  callback.Call({KyLivingDetectionModule::answerMap(callback.Env(), result), Napi::Boolean::New(callback.Env(), false)});
}

}  // namespace

Napi::Object KyLivingDetectionModule::answerMap(Napi::Env env, const KyLivingDetectResult& result) {
  Napi::Object answer = Napi::Object::New(env);
  answer.Set("code", result.getCodeStr());
  answer.Set("data", result.data());
  answer.Set("msg", result.msg());
  answer.Set("token", result.token().value_or(""));
  return answer;
}

Napi::Value KyLivingDetectionModule::Init(const Napi::CallbackInfo& info) {
  KyDlibWrapper::shareInstance();
  return info.Env().Undefined();
}

Napi::Value KyLivingDetectionModule::verifyInit(const Napi::CallbackInfo& info) {
  const Options options(info[0]);
  KyLivingDetectResult result;
  if (!options.has("livingType")) {
    result = KyLivingDetectResult::initWithCode(KLD_PARAME_ERROR, "未包括参数livingType", "");
  } else {
    try {
      result = applyAndInitialise(options);
    } catch (const OptionError& error) {
      result = KyLivingDetectResult::initWithCode(KLD_EXCEPTION, error.what(), "");
    }
  }
  return answerMap(info.Env(), result);
}

Napi::Value KyLivingDetectionModule::startLivingDetect(const Napi::CallbackInfo& info) {
  Napi::Env env = info.Env();
  if (!info[1].IsFunction()) throw Napi::TypeError::New(env, "startLivingDetect needs a callback function");
  const Napi::Function callback = info[1].As<Napi::Function>();
  const Options options(info[0]);
  if (!options.has("token")) {
    answerAtOnce(callback, KyLivingDetectResult::initWithCode(KLD_PARAME_ERROR, "未包括参数token", ""));
    return env.Undefined();
  }
  std::string token;
  try {
    token = options.text("token", "a text");
  } catch (const OptionError& error) {
    answerAtOnce(callback, KyLivingDetectResult::initWithCode(KLD_EXCEPTION, error.what(), ""));
    return env.Undefined();
  }
  // Holds the process open until the session answers; released right after the answer.
  KyLivingDetectCallback session = deliverOnce(SessionCallback::New(env, callback, "startLivingDetect", 0, 1));
  BridgeUIThread::shared().post([token, session] {
    KyLivingDetectionManager::startDetect2(token, BridgeUIThread::shared().shownScreen(), session, 2);
  });
  return env.Undefined();
}

Napi::Object KyLivingDetectionModule::registerExports(Napi::Env env, Napi::Object exports) {
  exports.Set("Init", Napi::Function::New(env, Init, "Init"));
  exports.Set("verifyInit", Napi::Function::New(env, verifyInit, "verifyInit"));
  exports.Set("startLivingDetect", Napi::Function::New(env, startLivingDetect, "startLivingDetect"));
  exports.Set("_testing", makeBridgeTestingExports(env));
  env.AddCleanupHook([] { BridgeUIThread::shared().stop(); });
  return exports;
}

namespace {
Napi::Object registerModule(Napi::Env env, Napi::Object exports) {
  return KyLivingDetectionModule::registerExports(env, exports);
}
}  // namespace

NODE_API_MODULE(kylivingdetection, registerModule)
