// The verdict on an accepted upload: the evidence against the session it was issued for.
#pragma once

#include "CloudStore.h"
#include "ColourJudge.h"
#include "UploadParser.h"

#include <string>
#include <vector>

struct JudgementPolicy {
  int imageWidth = 480;
  int imageHeight = 640;
  int64_t clockSkew = 60;  // seconds the device's clock may differ from ours
  ColourRule colour;
};

struct Verdict {
  bool passed = false;
  std::vector<std::string> reasons;
};

// True when the action list holds the colourful action (6).
bool hasColourfulAction(int64_t actions);

Verdict judgeEvidence(const CloudSession& session, const VerifyEvidence& evidence, const JudgementPolicy& policy);
