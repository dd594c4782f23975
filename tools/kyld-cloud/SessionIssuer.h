// Turns an initialisation message into a session and its token.
//
// The message is "@<platform>,2,8,0," + key type name + "@" + Base64 of the JSON facts
// enciphered with that type's fixed key. The token's clear text is
//   actions "_" md5(deviceId) "_" expiry "_" session id "_" colour count "&" colour digits
// enciphered with the shared key derived from the device's "otPK".
#pragma once

#include "CloudKeys.h"
#include "CloudStore.h"

#include <cstdint>
#include <optional>
#include <string>

struct IssuePolicy {
  int64_t tokenLifetime = 300;  // seconds
  int64_t defaultActions = 62;  // used when the requested list is not a valid one
};

struct InitReading {
  std::optional<CloudSession> session;  // nothing: the message could not be read
  std::string deviceId;                 // known once the message was deciphered
};

class SessionIssuer {
 public:
  SessionIssuer(const CloudKeys& keys, IssuePolicy policy) : keys_(keys), policy_(policy) {}

  InitReading issue(const std::string& initMessage, int64_t now) const;

  // True for an action list of one to four digits 1-6 (the list the library accepts, 0 aside).
  static bool validActions(int64_t actions);
  // "012" (black, grey, white: the reference and brightness positions) and three to five
  // screen colours from 3-8 with no colour twice in a row.
  static std::string randomColourSequence();

 private:
  const CloudKeys& keys_;
  IssuePolicy policy_;
};
