// HttpStream on libcurl. The transfer runs inside read(): curl delivers body bytes into a
// hold buffer, and when the reader falls behind by more than kHoldLimit bytes the transfer
// is paused until the reader catches up, so memory stays bounded for a page of any size.
#include "web/fetch.h"

#include <curl/curl.h>

#include <cstring>
#include <mutex>

#include "platform/gbk.h"
#include "web/web.h"

namespace wf::web {
namespace {

constexpr std::size_t kHoldLimit = 64 * 1024;
constexpr int kPollMilliseconds = 100;

std::size_t body_trampoline(char* data, std::size_t size, std::size_t count, void* self) {
  return static_cast<HttpStream*>(self)->on_body(data, size * count);
}

std::size_t header_trampoline(char* data, std::size_t size, std::size_t count, void* self) {
  static_cast<HttpStream*>(self)->on_header(data, size * count);
  return size * count;
}

}  // namespace

std::string request_url(const char* url) {
  std::string text = url;
  bool plain = true;
  for (unsigned char c : text)
    if (c >= 0x80 || c == ' ') plain = false;
  if (plain) return text;
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : platform::gbk_to_utf8(text)) {
    if (c >= 0x80 || c == ' ') {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool start_http_client() {
  static std::once_flag once;
  static bool started = false;
  std::call_once(once, [] { started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return started;
}

HttpStream::~HttpStream() { close(); }

void HttpStream::close() {
  CURL* easy = static_cast<CURL*>(easy_);
  CURLM* multi = static_cast<CURLM*>(multi_);
  if (multi && easy) curl_multi_remove_handle(multi, easy);
  if (easy) curl_easy_cleanup(easy);
  if (multi) curl_multi_cleanup(multi);
  easy_ = multi_ = nullptr;
}

std::size_t HttpStream::on_body(const char* data, std::size_t size) {
  headers_done_ = true;
  if (held_.size() - taken_ >= kHoldLimit) {
    paused_ = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  if (taken_ > 0 && taken_ >= held_.size() / 2) {
    held_.erase(0, taken_);
    taken_ = 0;
  }
  held_.append(data, size);
  return size;
}

void HttpStream::on_header(const char* data, std::size_t size) {
  // The blank line closes a header block; a redirect's or an interim answer's block is
  // followed by another one.
  if (size > 2 || (size == 2 && std::memcmp(data, "\r\n", 2) != 0) ||
      (size == 1 && data[0] != '\n'))
    return;
  long code = 0;
  curl_easy_getinfo(static_cast<CURL*>(easy_), CURLINFO_RESPONSE_CODE, &code);
  if (code >= 200 && !(code >= 300 && code < 400)) {
    status_ = code;
    headers_done_ = true;
  } else if (code >= 300 && code < 400) {
    char* location = nullptr;
    curl_easy_getinfo(static_cast<CURL*>(easy_), CURLINFO_REDIRECT_URL, &location);
    if (!location) {  // a 3xx without a place to go is the final answer
      status_ = code;
      headers_done_ = true;
    }
  }
}

int HttpStream::open(const char* url) {
  close();
  held_.clear();
  taken_ = 0;
  headers_done_ = paused_ = done_ = false;
  result_ = 0;
  status_ = 0;
  if (!url || !start_http_client()) return kOpenNoHandle;
  CURL* easy = curl_easy_init();
  CURLM* multi = curl_multi_init();
  easy_ = easy;
  multi_ = multi;
  if (!easy || !multi) return kOpenNoHandle;
  FetchLimits limits = fetch_limits();
  std::string address = request_url(url);
  curl_easy_setopt(easy, CURLOPT_URL, address.c_str());  // curl keeps its own copy
  curl_easy_setopt(easy, CURLOPT_USERAGENT, kAgentName);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, limits.connect_seconds);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, limits.low_speed_bytes);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, limits.low_speed_seconds);
  curl_easy_setopt(easy, CURLOPT_TIMEOUT, limits.total_seconds);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, body_trampoline);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, header_trampoline);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return kOpenNoHandle;
  while (!headers_done_ && pump()) {
  }
  if (headers_done_) return 0;
  // The transfer ended before an answer: nothing came from the server.
  return (done_ && result_ == CURLE_OK && status_ != 0) ? 0 : kOpenFailed;
}

bool HttpStream::pump() {
  if (done_) return false;
  CURL* easy = static_cast<CURL*>(easy_);
  CURLM* multi = static_cast<CURLM*>(multi_);
  if (paused_ && held_.size() - taken_ < kHoldLimit) {
    paused_ = false;
    curl_easy_pause(easy, CURLPAUSE_CONT);  // may deliver held data right away
  }
  int running = 0;
  if (curl_multi_perform(multi, &running) != CURLM_OK) {
    done_ = true;
    result_ = CURLE_FAILED_INIT;
    return false;
  }
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
    if (message->msg == CURLMSG_DONE) {
      done_ = true;
      result_ = message->data.result;
      long code = 0;
      curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
      if (code != 0 && status_ == 0) status_ = code;
    }
  }
  if (done_) return false;
  if (running > 0 && !paused_) curl_multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr);
  return true;
}

std::size_t HttpStream::read(char* into, std::size_t want) {
  if (!easy_) return 0;
  while (held_.size() - taken_ < want && pump()) {
  }
  std::size_t have = held_.size() - taken_;
  std::size_t n = have < want ? have : want;
  std::memcpy(into, held_.data() + taken_, n);
  taken_ += n;
  return n;
}

}  // namespace wf::web
