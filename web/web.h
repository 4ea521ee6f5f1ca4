// The web utilities: a page's title for a pasted link, the text between two markers of a
// page (the public address echo pages), the public and local addresses of this machine, a
// file download, and two small text helpers.
//
// Every fetch runs on libcurl with the agent name "Application", nothing cached, blocking
// reads and bounded waits (connect, low-speed and total limits below), so a page that never
// answers cannot hold a thread forever. Each call uses buffers of its own: link-title
// threads, the address lookup and downloads may run at the same time.
//
// Texts in and out are GBK bytes, like every text of the system.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

namespace wf::web {

// ---- Fetch limits -----------------------------------------------------------------------

inline constexpr char kAgentName[] = "Application";
inline constexpr long kConnectTimeoutSeconds = 10;  // name lookup + TCP connect
inline constexpr long kLowSpeedBytes = 1;           // a transfer slower than this ...
inline constexpr long kLowSpeedSeconds = 20;        // ... for this long is abandoned
inline constexpr long kTotalTimeoutSeconds = 120;   // no fetch runs longer than this
inline constexpr long kMaxRedirects = 8;
// A page read for its title or markers ends after this many bytes (a link to a large file
// must not be downloaded whole to find that it has no title).
inline constexpr std::size_t kMaxPageBytes = 1u << 20;

// Reads of a page pass: two reads of 2048 bytes make one pass of at most 4096 bytes; a
// title or a marker pair is found only within one pass.
inline constexpr std::size_t kPassRead = 2048;
inline constexpr std::size_t kPassSize = 2 * kPassRead;
// Download copies go in blocks of this size.
inline constexpr std::size_t kCopyBlock = 4096;

// The limits in force; tests shorten them. Defaults are the constants above.
struct FetchLimits {
  long connect_seconds = kConnectTimeoutSeconds;
  long low_speed_bytes = kLowSpeedBytes;
  long low_speed_seconds = kLowSpeedSeconds;
  long total_seconds = kTotalTimeoutSeconds;
};
void set_fetch_limits(const FetchLimits& limits);
FetchLimits fetch_limits();

// ---- Servers ------------------------------------------------------------------------------

// The file server that holds the pin pictures, and their paths on it.
inline constexpr char kFileServer[] = "http://files.wrenfield.net";
inline constexpr char kPinPicturePath[] = "/attach/taci.cfg";
inline constexpr char kPinPicture2Path[] = "/attach/taci2.cfg";
inline constexpr char kPinPictureFile[] = "taci.cfg";
inline constexpr char kPinPicture2File[] = "taci2.cfg";
// The file server's address for `path` ("/attach/taci.cfg"): kFileServer, or the server set
// for tests.
std::string file_server_url(const char* path);
void set_file_server(const std::string& base);  // empty: back to kFileServer

// One row of the echo page table: a plain HTTP address (at most 31 bytes) that returns the
// caller's public address between two markers (at most 15 bytes each).
inline constexpr std::size_t kEchoUrlSize = 32;
inline constexpr std::size_t kEchoMarkerSize = 16;
inline constexpr int kEchoRows = 3;
struct EchoPage {
  char url[kEchoUrlSize];
  char start[kEchoMarkerSize];
  char end[kEchoMarkerSize];
};
// The table as shipped. Row 0 is the first choice, row 1 the fallback; row 2 is not used.
extern const EchoPage kEchoPages[kEchoRows];
// Points one row elsewhere (tests, loopback). Returns 0, or -1 for a bad row or a text that
// does not fit its field.
int set_echo_page(int row, const char* url, const char* start, const char* end);
EchoPage echo_page(int row);  // a copy of the row in force; row out of range gives row 0

// ---- Page fetches -------------------------------------------------------------------------

// The page's title: the text between "<title>" and "</title>" (both case-sensitive, in one
// pass) of the last pass that holds it, as GBK (UTF-8 pages converted), with bytes 1-31
// replaced by spaces. Nothing when the URL cannot be fetched or no pass holds a title.
std::optional<std::string> page_title(const char* url);

// The text between the first `start` marker and the next `end` marker after it, under the
// same pass rules; nothing when no pass holds both.
std::optional<std::string> text_between(const char* url, const char* start, const char* end);

// ---- Addresses ----------------------------------------------------------------------------

inline constexpr std::size_t kAddressSize = 16;   // dotted IPv4 text with its terminator
inline constexpr std::size_t kHostNameSize = 256;
inline constexpr char kNoAddress[] = "0.0.0.0";

// Runs local_address(), sets the public address to "0.0.0.0", fetches echo rows 0 and 1 and
// keeps row 0's text, else row 1's (when it fits the field). Returns 0.
int public_address_lookup();
// The public address field: the last successful lookup of this process, or "0.0.0.0".
// Copies kAddressSize bytes (terminated) into `out`.
void public_address(char out[kAddressSize]);
std::string public_address();

// This host's name and the dotted text of its first IPv4 address.
struct LocalAddress {
  char host_name[kHostNameSize];
  char address[kAddressSize];
};
inline constexpr int kLocalNoSockets = -1;   // kept for callers; the socket layer always starts
inline constexpr int kLocalNoHostName = -2;
inline constexpr int kLocalNotResolved = -3;
// Fills the process-wide host name and local address (and `out` when given); returns 0 or
// one of the codes above.
int local_address(LocalAddress* out = nullptr);
LocalAddress last_local_address();  // the values of the last local_address() call

// ---- Download -----------------------------------------------------------------------------

inline constexpr int kDownloadExists = 1;            // target already there, nothing fetched
inline constexpr int kDownloadNoHandle = -1;         // the HTTP client could not start
inline constexpr int kDownloadUrlFailed = -2;        // URL not opened (no answer, or not 2xx)
inline constexpr int kDownloadTempCreate = -3;       // temporary file not created
inline constexpr int kDownloadTempReopen = -4;       // temporary file not reopened
inline constexpr int kDownloadTargetCreate = -5;     // target not created
inline constexpr int kDownloadTransferFailed = -6;   // the stream broke off; target untouched
inline constexpr int kDownloadWriteFailed = -7;      // writing temp or target failed

// Downloads `url` into the stored path `target` (through platform::native_path): first into
// a temporary file in the temp folder, then copied to the target, which appears only when
// the whole body arrived with a 2xx answer (an error page or a broken-off body leaves no
// target, so a later call tries again). The temporary file is removed in every case.
// Returns 0 or one of the codes above.
int download_file(const char* target, const char* url);

// The temp folder for downloads (native path, no trailing slash): by default the program's
// temp folder (platform/tempdir.h), which the shell creates at start-up; tests point it
// elsewhere (empty: back to the default).
std::string temp_folder();
void set_temp_folder(const std::string& native_folder);

// ---- Text helpers -------------------------------------------------------------------------

// 1 if the first four bytes are h, t, t, p in either letter case; else 0 (also for null).
int is_web_link(const char* text);

// Converts zero-terminated UTF-16 text to GBK into `dest`, at most `dest_size` bytes
// including a terminator that is always written (when dest_size > 0); a two-byte
// character is never split. Returns `dest`.
char* wide_to_ansi(char* dest, const char16_t* wide, int dest_size);

// The running kernel's major version x 10 + minor version (6.1.x gives 61); 0 if unknown.
int system_version_code();

}  // namespace wf::web
