// Pass scanning for page titles and echo-page markers. A pass is at most kPassSize bytes of
// a page, taken as a zero-terminated text; every search stays inside it.
#include "web/page_scan.h"

#include <cstring>
#include <string_view>

#include "platform/gbk.h"
#include "web/web.h"

namespace wf::web {
namespace {

struct TagRow {
  const char* plain;
  const char* quoted;
};

// Rows in CharsetRow order. The tags are plain ASCII and searched case-sensitively.
constexpr TagRow kTagRows[kCharsetRows] = {
    {"charset=gbk", "charset=\"gbk\""},       {"charset=GBK", "charset=\"GBK\""},
    {"charset=gb2312", "charset=\"gb2312\""}, {"charset=GB2312", "charset=\"GB2312\""},
    {"charset=utf-8", "charset=\"utf-8\""},   {"charset=UTF-8", "charset=\"UTF-8\""},
};

// Offset of the row's first occurrence in `text`, or -1.
long find_row(const char* text, const TagRow& row) {
  const char* at = std::strstr(text, row.plain);
  if (!at) at = std::strstr(text, row.quoted);
  return at ? static_cast<long>(at - text) : -1;
}

void blank_control_bytes(std::string& text) {
  for (char& c : text) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b >= 1 && b <= 31) c = ' ';
  }
}

}  // namespace

int pass_is_utf8(const char* text) {
  long at[kCharsetRows];
  for (int row = 0; row < kCharsetRows; ++row) at[row] = find_row(text, kTagRows[row]);
  long utf8 = at[kUtf8Lower] >= 0 ? at[kUtf8Lower] : at[kUtf8Upper];
  if (utf8 < 0) return 0;
  bool any_gbk = false;
  bool utf8_earlier = false;
  for (int row : {kGbkLower, kGbkUpper, kGb2312Lower, kGb2312Upper}) {
    if (at[row] < 0) continue;  // an absent tag is never the later one
    any_gbk = true;
    if (utf8 < at[row]) utf8_earlier = true;
  }
  return (!any_gbk || utf8_earlier) ? 1 : 0;
}

std::optional<std::string> scan_pass(char* text, std::size_t length, const char* start,
                                     const char* end) {
  if (!text || !start || !end || !*start || !*end) return std::nullopt;
  std::string_view pass(text, strnlen(text, length));
  std::string converted;
  if (pass_is_utf8(text)) {  // `text` is terminated within length + 1 bytes by the caller
    converted = platform::utf8_to_gbk(pass);
    pass = converted;
  }
  std::size_t from = pass.find(start);
  if (from == std::string_view::npos) return std::nullopt;
  from += std::strlen(start);
  std::size_t to = pass.find(end, from);
  if (to == std::string_view::npos) return std::nullopt;
  std::string result(pass.substr(from, to - from));
  blank_control_bytes(result);
  return result;
}

std::optional<std::string> scan_passes(ByteSource source, const char* start, const char* end) {
  std::optional<std::string> result;
  char pass[kPassSize + 1];
  std::size_t page_bytes = 0;
  while (page_bytes < kMaxPageBytes) {
    std::size_t got = source.read(source.context, pass, kPassRead);
    if (got == 0) break;
    if (got > kPassRead) got = kPassRead;
    std::size_t more = source.read(source.context, pass + got, kPassRead);
    if (more > kPassRead) more = kPassRead;
    got += more;
    pass[got] = '\0';
    page_bytes += got;
    if (auto found = scan_pass(pass, got, start, end)) result = std::move(found);
  }
  return result;
}

}  // namespace wf::web
