// One HTTP GET as a stream of blocking reads, on libcurl's multi interface: open() waits for
// the server's answer, read() fills the asked amount unless the body ends. Every wait is
// bounded by the fetch limits of web.h. One object per fetch; objects are independent, so
// fetches may run on several threads at once.
#pragma once
#include <cstddef>
#include <string>

namespace wf::web {

inline constexpr int kOpenNoHandle = -1;   // the client (curl handles) could not start
inline constexpr int kOpenFailed = -2;     // no answer from the server

class HttpStream {
 public:
  HttpStream() = default;
  ~HttpStream();
  HttpStream(const HttpStream&) = delete;
  HttpStream& operator=(const HttpStream&) = delete;

  // Starts the request and waits until the response headers (after redirects) arrived.
  // Returns 0, kOpenNoHandle or kOpenFailed.
  int open(const char* url);
  // Fills `into` with `want` bytes, fewer only when the body ended; 0 at the end.
  std::size_t read(char* into, std::size_t want);
  // After the end: true when the transfer completed without an error.
  bool completed() const { return done_ && result_ == 0; }
  long status() const { return status_; }

  // libcurl callbacks (public for the C callback trampolines).
  std::size_t on_body(const char* data, std::size_t size);
  void on_header(const char* data, std::size_t size);

 private:
  bool pump();  // runs the transfer a step; false when nothing more can arrive
  void close();

  void* easy_ = nullptr;
  void* multi_ = nullptr;
  std::string held_;        // body bytes received and not yet read
  std::size_t taken_ = 0;   // bytes of held_ already read
  bool headers_done_ = false;
  bool paused_ = false;
  bool done_ = false;
  int result_ = 0;
  long status_ = 0;
};

// A URL as it goes on the wire: a pasted link is GBK text, so its non-ASCII bytes (and
// blanks) are sent as percent-escaped UTF-8, the way servers expect them.
std::string request_url(const char* url);

// Process-wide libcurl start, once.
bool start_http_client();

}  // namespace wf::web
