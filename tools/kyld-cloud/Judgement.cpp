#include "Judgement.h"

#include "ImageCheck.h"

namespace {

void append(std::vector<std::string>& to, const std::vector<std::string>& from) {
  to.insert(to.end(), from.begin(), from.end());
}

std::vector<std::string> judgeTime(const CloudSession& session, int64_t currentTime, int64_t skew) {
  if (currentTime < session.createdAt - skew || currentTime > session.expiresAt + skew) {
    return {"currentTime lies outside the session"};
  }
  return {};
}

std::vector<std::string> judgeImages(const VerifyEvidence& evidence, const JudgementPolicy& policy) {
  if (evidence.images.empty()) return {"the message holds no image"};
  std::vector<std::string> reasons;
  for (size_t i = 0; i < evidence.images.size(); ++i) {
    append(reasons, checkEvidenceImage(evidence.images[i], policy.imageWidth, policy.imageHeight,
                                       "image " + std::to_string(i + 1)));
  }
  return reasons;
}

std::vector<std::string> judgeHistory(const CloudSession& session, const VerifyEvidence& evidence,
                                      const JudgementPolicy& policy) {
  if (!evidence.history) return {"the message holds no colour history"};
  if (!hasColourfulAction(session.actions)) {
    if (*evidence.history != "empty") return {"colour history present although the session had no colourful action"};
    return {};
  }
  if (*evidence.history == "empty") return {"colour history is empty although the session had a colourful action"};
  return judgeColourHistory(*evidence.history, session.colours, policy.colour);
}

}  // namespace

bool hasColourfulAction(int64_t actions) {
  for (; actions > 0; actions /= 10) {
    if (actions % 10 == 6) return true;
  }
  return false;
}

Verdict judgeEvidence(const CloudSession& session, const VerifyEvidence& evidence, const JudgementPolicy& policy) {
  Verdict verdict;
  append(verdict.reasons, judgeTime(session, evidence.currentTime, policy.clockSkew));
  append(verdict.reasons, judgeHistory(session, evidence, policy));
  append(verdict.reasons, judgeImages(evidence, policy));
  verdict.passed = verdict.reasons.empty();
  if (verdict.passed) verdict.reasons.push_back("all checks passed");
  return verdict;
}
