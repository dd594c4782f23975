// The two texts that authorise a detection session: the initialisation message the library
// sends to the cloud, and the check of the session token the cloud answers with.
#pragma once

#include <kylivingdetection/KyLivingDetectResult.h>

#include <cstdint>
#include <optional>

// What the token check decided. On success `livingType` is the token's action list.
struct KyTokenCheck {
  std::optional<KyLivingDetectResult> failure;
  int64_t livingType = 0;

  bool passed() const { return !failure.has_value(); }
};

class KyVerifyProtocol {
 public:
  // Builds the enciphered initialisation message for the action list `livingType` and
  // installs the new shared key. Code 0 with the message as data, or the failure result.
  static KyLivingDetectResult verifyInit(int32_t livingType);

  // The token check at the start of a session: deciphers the token with the shared key,
  // hands its colour setting to the colourful detector and checks its device digest and
  // expiry against `nowSeconds` (seconds since 1970).
  static KyTokenCheck checkToken(const char* token, int64_t nowSeconds);
  static KyTokenCheck checkToken(const char* token);

  // The first digit of the action list that is not a supported living type (0 for a zero
  // after the first action), or nothing when every action is supported.
  static std::optional<int32_t> unsupportedAction(int32_t livingType);
};
