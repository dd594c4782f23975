#include "platform/http/KyCurlHttpTransport.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace {

struct CurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

size_t appendBody(char* data, size_t size, size_t count, void* target) {
  static_cast<std::string*>(target)->append(data, size * count);
  return size * count;
}

// A non-zero answer makes curl abort the transfer.
int abortWhenCancelled(void* cancel, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return cancel != nullptr && static_cast<const std::atomic<bool>*>(cancel)->load() ? 1 : 0;
}

std::unique_ptr<curl_slist, CurlListDeleter> headerList(const KyHttpPost& request) {
  curl_slist* list = nullptr;
  for (const auto& [name, value] : request.headers) {
    curl_slist* grown = curl_slist_append(list, (name + ": " + value).c_str());
    if (grown == nullptr) break;
    list = grown;
  }
  // curl would otherwise add "Expect: 100-continue" to larger bodies.
  curl_slist* grown = curl_slist_append(list, "Expect:");
  return std::unique_ptr<curl_slist, CurlListDeleter>(grown != nullptr ? grown : list);
}

}  // namespace

KyCurlHttpTransport::KyCurlHttpTransport() {
  static std::once_flag initialised;
  std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

KyHttpAnswer KyCurlHttpTransport::post(const KyHttpPost& request, const std::atomic<bool>* cancel) {
  KyHttpAnswer answer;
  std::unique_ptr<CURL, CurlEasyDeleter> curl(curl_easy_init());
  if (!curl) {
    answer.error = "cannot create a curl handle";
    return answer;
  }
  std::unique_ptr<curl_slist, CurlListDeleter> headers = headerList(request);
  char errorText[CURL_ERROR_SIZE] = "";
  CURL* handle = curl.get();
  curl_easy_setopt(handle, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "https");
  curl_easy_setopt(handle, CURLOPT_POST, 1L);
  curl_easy_setopt(handle, CURLOPT_POSTFIELDS, request.body.data());
  curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!request.caFile.empty()) curl_easy_setopt(handle, CURLOPT_CAINFO, request.caFile.c_str());
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.timeoutMillis));
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(request.timeoutMillis));
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, appendBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer.body);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, abortWhenCancelled);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(cancel));
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);

  CURLcode status = curl_easy_perform(handle);
  if (status != CURLE_OK) {
    answer.error = errorText[0] != '\0' ? errorText : curl_easy_strerror(status);
    answer.body.clear();
    return answer;
  }
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &answer.status);
  answer.received = true;
  return answer;
}

std::shared_ptr<KyHttpTransport> KyDefaultHttpTransport() {
  static const std::shared_ptr<KyHttpTransport> transport = std::make_shared<KyCurlHttpTransport>();
  return transport;
}
