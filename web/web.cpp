// The web utilities' operations on top of HttpStream (fetch.h) and the pass scanners
// (page_scan.h). The few process-wide values (fetch limits, echo table, temp folder, the
// public and local addresses) sit under one lock each; fetches themselves share nothing.
#include "web/web.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/gbk.h"
#include "platform/paths.h"
#include "platform/tempdir.h"
#include "web/fetch.h"
#include "web/page_scan.h"

namespace wf::web {

// The echo pages of this system's own address service. Row 2 keeps its markers for a page
// of that kind but is not fetched.
const EchoPage kEchoPages[kEchoRows] = {
    {"http://ip1.wrenfield.net/echo", " \n", " "},
    {"http://ip2.wrenfield.net/echo", "=green>", "</font>"},
    {"http://ip3.wrenfield.net/echo", "IP\xA3\xBA<code>", "</code>"},  // "IP：<code>" in GBK
};

namespace {

std::mutex g_limits_lock;
FetchLimits g_limits;

std::mutex g_echo_lock;
EchoPage g_echo[kEchoRows] = {kEchoPages[0], kEchoPages[1], kEchoPages[2]};

std::mutex g_temp_lock;
std::string g_temp_folder;  // empty: the default below

std::mutex g_server_lock;
std::string g_file_server;  // empty: kFileServer

std::mutex g_address_lock;
char g_public_address[kAddressSize] = "0.0.0.0";
LocalAddress g_local{};

bool copy_field(char* field, std::size_t size, const char* text) {
  if (!text) return false;
  std::size_t n = std::strlen(text);
  if (n >= size) return false;
  std::memcpy(field, text, n + 1);
  return true;
}

std::size_t read_stream(void* context, char* into, std::size_t want) {
  return static_cast<HttpStream*>(context)->read(into, want);
}

// A text from an echo page counts as an address only when it is a dotted IPv4 address
// (after trimming blanks): a page that changed its markup must not fill the field with junk.
bool take_address(const std::optional<std::string>& text, char out[kAddressSize]) {
  if (!text) return false;
  std::size_t first = text->find_first_not_of(' ');
  std::size_t last = text->find_last_not_of(' ');
  if (first == std::string::npos) return false;
  std::string trimmed = text->substr(first, last - first + 1);
  in_addr parsed{};
  if (trimmed.size() >= kAddressSize || inet_pton(AF_INET, trimmed.c_str(), &parsed) != 1)
    return false;
  std::memcpy(out, trimmed.c_str(), trimmed.size() + 1);
  return true;
}

// The last path component of a stored or native path.
std::string file_name_of(const std::string& path) {
  std::size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Writes all of `size` bytes; false on a write error.
bool write_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Copies the stream into the open temporary file. Returns 0, or a download code.
int stream_to_file(HttpStream& stream, int fd) {
  char block[kCopyBlock];
  while (std::size_t n = stream.read(block, sizeof block)) {
    if (!write_all(fd, block, n)) return kDownloadWriteFailed;
  }
  if (!stream.completed()) return kDownloadTransferFailed;
  return 0;
}

// Copies the finished temporary file to the target, which must not exist yet.
int temp_to_target(const std::string& temp, const std::string& target) {
  int in = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return kDownloadTempReopen;
  int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (out < 0) {
    int why = errno;
    ::close(in);
    return why == EEXIST ? kDownloadExists : kDownloadTargetCreate;
  }
  char block[kCopyBlock];
  int code = 0;
  for (;;) {
    ssize_t n = ::read(in, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      code = kDownloadTempReopen;
      break;
    }
    if (n == 0) break;
    if (!write_all(out, block, static_cast<std::size_t>(n))) {
      code = kDownloadWriteFailed;
      break;
    }
  }
  if (::close(out) != 0 && code == 0) code = kDownloadWriteFailed;
  ::close(in);
  if (code != 0) ::unlink(target.c_str());
  return code;
}

}  // namespace

// ---- Limits and tables ------------------------------------------------------------------

void set_fetch_limits(const FetchLimits& limits) {
  std::lock_guard<std::mutex> hold(g_limits_lock);
  g_limits = limits;
}

FetchLimits fetch_limits() {
  std::lock_guard<std::mutex> hold(g_limits_lock);
  return g_limits;
}

int set_echo_page(int row, const char* url, const char* start, const char* end) {
  if (row < 0 || row >= kEchoRows) return -1;
  EchoPage page{};
  if (!copy_field(page.url, sizeof page.url, url) ||
      !copy_field(page.start, sizeof page.start, start) ||
      !copy_field(page.end, sizeof page.end, end))
    return -1;
  std::lock_guard<std::mutex> hold(g_echo_lock);
  g_echo[row] = page;
  return 0;
}

EchoPage echo_page(int row) {
  if (row < 0 || row >= kEchoRows) row = 0;
  std::lock_guard<std::mutex> hold(g_echo_lock);
  return g_echo[row];
}

std::string temp_folder() {
  std::string folder;
  {
    std::lock_guard<std::mutex> hold(g_temp_lock);
    folder = g_temp_folder;
  }
  if (folder.empty()) folder = platform::temp_folder();  // the shell's, made at start-up
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

void set_temp_folder(const std::string& native_folder) {
  std::lock_guard<std::mutex> hold(g_temp_lock);
  g_temp_folder = native_folder;
  while (g_temp_folder.size() > 1 && g_temp_folder.back() == '/') g_temp_folder.pop_back();
}

std::string file_server_url(const char* path) {
  std::string base;
  {
    std::lock_guard<std::mutex> hold(g_server_lock);
    base = g_file_server.empty() ? kFileServer : g_file_server;
  }
  return base + (path ? path : "");
}

void set_file_server(const std::string& base) {
  std::lock_guard<std::mutex> hold(g_server_lock);
  g_file_server = base;
}

// ---- Page fetches -------------------------------------------------------------------------

std::optional<std::string> text_between(const char* url, const char* start, const char* end) {
  if (!url || !start || !end || !*start || !*end) return std::nullopt;
  HttpStream stream;
  if (stream.open(url) != 0) return std::nullopt;
  return scan_passes(ByteSource{read_stream, &stream}, start, end);
}

std::optional<std::string> page_title(const char* url) {
  return text_between(url, kTitleStart, kTitleEnd);
}

// ---- Addresses ----------------------------------------------------------------------------

int public_address_lookup() {
  local_address();
  EchoPage first = echo_page(0);
  EchoPage second = echo_page(1);
  std::optional<std::string> from_first = text_between(first.url, first.start, first.end);
  std::optional<std::string> from_second = text_between(second.url, second.start, second.end);
  char found[kAddressSize] = {};
  if (take_address(from_first, found) || take_address(from_second, found)) {
    std::lock_guard<std::mutex> hold(g_address_lock);
    std::memcpy(g_public_address, found, kAddressSize);
  }
  return 0;
}

void public_address(char out[kAddressSize]) {
  std::lock_guard<std::mutex> hold(g_address_lock);
  std::memcpy(out, g_public_address, kAddressSize);
}

std::string public_address() {
  char out[kAddressSize];
  public_address(out);
  return out;
}

int local_address(LocalAddress* out) {
  LocalAddress found{};
  int code = 0;
  if (gethostname(found.host_name, sizeof found.host_name - 1) != 0 || !found.host_name[0]) {
    found.host_name[0] = '\0';
    code = kLocalNoHostName;
  } else {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(found.host_name, nullptr, &hints, &list) != 0 || !list) {
      code = kLocalNotResolved;
    } else {
      const auto* ip = reinterpret_cast<const sockaddr_in*>(list->ai_addr);
      if (!inet_ntop(AF_INET, &ip->sin_addr, found.address, sizeof found.address))
        code = kLocalNotResolved;
      freeaddrinfo(list);
    }
  }
  {
    std::lock_guard<std::mutex> hold(g_address_lock);
    std::memcpy(g_local.host_name, found.host_name, sizeof found.host_name);
    if (code == 0) std::memcpy(g_local.address, found.address, sizeof found.address);
  }
  if (out) *out = found;
  return code;
}

LocalAddress last_local_address() {
  std::lock_guard<std::mutex> hold(g_address_lock);
  return g_local;
}

// ---- Download -----------------------------------------------------------------------------

int download_file(const char* target, const char* url) {
  if (!target || !*target) return kDownloadTargetCreate;
  std::string native = platform::native_path(target);
  struct stat seen {};
  if (::stat(native.c_str(), &seen) == 0) return kDownloadExists;

  std::string temp = temp_folder() + "/" + file_name_of(native) + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return kDownloadTempCreate;

  int code = 0;
  HttpStream stream;
  int opened = url ? stream.open(url) : kOpenFailed;
  if (opened == kOpenNoHandle) {
    code = kDownloadNoHandle;
  } else if (opened != 0 || stream.status() < 200 || stream.status() >= 300) {
    code = kDownloadUrlFailed;  // an error page is not the file
  } else {
    code = stream_to_file(stream, fd);
  }
  if (::close(fd) != 0 && code == 0) code = kDownloadWriteFailed;
  if (code == 0) code = temp_to_target(temp, native);
  ::unlink(temp.c_str());
  return code;
}

// ---- Text helpers -------------------------------------------------------------------------

int is_web_link(const char* text) {
  if (!text) return 0;
  static constexpr char kLower[] = "http";
  for (int i = 0; i < 4; ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kLower[i]) return 0;  // also stops at the terminator
  }
  return 1;
}

char* wide_to_ansi(char* dest, const char16_t* wide, int dest_size) {
  if (!dest || dest_size <= 0) return dest;
  dest[0] = '\0';
  if (!wide) return dest;
  std::size_t length = 0;
  while (wide[length]) ++length;
  std::string gbk = platform::utf16_to_gbk(std::u16string_view(wide, length));
  std::size_t room = static_cast<std::size_t>(dest_size) - 1;
  std::size_t n = 0;
  while (n < gbk.size()) {
    unsigned char lead = static_cast<unsigned char>(gbk[n]);
    std::size_t width = (lead >= 0x81 && lead <= 0xFE && n + 1 < gbk.size()) ? 2 : 1;
    if (n + width > room) break;
    n += width;
  }
  std::memcpy(dest, gbk.data(), n);
  dest[n] = '\0';
  return dest;
}

int system_version_code() {
  utsname about{};
  if (uname(&about) != 0) return 0;
  char* rest = nullptr;
  long major = std::strtol(about.release, &rest, 10);
  if (rest == about.release || *rest != '.') return 0;
  const char* minor_at = rest + 1;
  long minor = std::strtol(minor_at, &rest, 10);
  if (rest == minor_at || major < 0 || minor < 0 || major > 1000 || minor > 1000) return 0;
  return static_cast<int>(major * 10 + minor);
}

}  // namespace wf::web
