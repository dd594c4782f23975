// What the configured crypt key type selects: the fixed key, the cloud's root key and the
// type name of the protocol. 0 DEFAULT, 1 SH_CA, every other value TEST.
#pragma once

#include <cstdint>

#include "KyProtocolKeys.h"

inline const char* cryptKeyTypeName(int32_t cryptKeyType) {
  if (cryptKeyType == 0) return "DEFAULT";
  if (cryptKeyType == 1) return "SH_CA";
  return "TEST";
}

inline const char* fixedKeyForCryptKeyType(int32_t cryptKeyType) {
  if (cryptKeyType == 0) return FIXED_KEY_DEFAULT;
  if (cryptKeyType == 1) return FIXED_KEY_SH_CA;
  return FIXED_KEY_TEST;
}

// Index into ROOT_PUB_KEY.
inline int rootIndexForCryptKeyType(int32_t cryptKeyType) {
  return cryptKeyType == 0 || cryptKeyType == 1 ? cryptKeyType : 2;
}
