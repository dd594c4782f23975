// HTTPS posts through libcurl, one easy handle per request so that requests on different
// threads never share a connection state.
#pragma once

#include "utils/KyHttpTransport.h"

class KyCurlHttpTransport : public KyHttpTransport {
 public:
  KyCurlHttpTransport();
  KyHttpAnswer post(const KyHttpPost& request, const std::atomic<bool>* cancel) override;
};
