// GBK conversions through iconv. The Windows ANSI code page for Chinese is CP936 (GBK plus
// the euro sign at 0x80); unconvertible input is replaced byte by byte so that the rest of
// a text survives.
#include "platform/gbk.h"

#include <cerrno>
#include <iconv.h>

namespace wf::platform {
namespace {

// Converts `in` from one iconv encoding to another; on an invalid or unconvertible input
// sequence writes `bad` (in the target encoding) and skips what `skip` says the bad sequence
// spans.
using SkipFn = size_t (*)(const char* at, size_t left);

size_t skip_one(const char*, size_t) { return 1; }
size_t skip_two(const char*, size_t) { return 2; }
size_t skip_utf8_sequence(const char* at, size_t left) {
  size_t k = 1;
  while (k < left && (static_cast<unsigned char>(at[k]) & 0xC0) == 0x80) ++k;
  return k;
}

std::string convert(const char* to, const char* from, std::string_view in, std::string_view bad,
                    SkipFn skip) {
  std::string out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return out;
  out.reserve(in.size() * 2 + 8);
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  char buf[1024];
  while (left > 0) {
    char* dst = buf;
    size_t room = sizeof buf;
    size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buf, static_cast<size_t>(dst - buf));
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (a sequence cut off at the end): replace and step over it.
    out.append(bad);
    size_t n = skip(src, left);
    if (n > left) n = left;
    src += n;
    left -= n;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  char* dst = buf;
  size_t room = sizeof buf;
  iconv(cd, nullptr, nullptr, &dst, &room);
  out.append(buf, static_cast<size_t>(dst - buf));
  iconv_close(cd);
  return out;
}

}  // namespace

std::string gbk_to_utf8(std::string_view gbk) {
  return convert("UTF-8", "CP936", gbk, "\xEF\xBF\xBD", skip_one);
}

std::string utf8_to_gbk(std::string_view utf8) {
  return convert("CP936", "UTF-8", utf8, "?", skip_utf8_sequence);
}

std::u16string gbk_to_utf16(std::string_view gbk) {
  std::string bytes = convert("UTF-16LE", "CP936", gbk, std::string("\xFD\xFF", 2), skip_one);
  std::u16string out(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                   (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return out;
}

std::string utf16_to_gbk(std::u16string_view utf16) {
  std::string bytes;
  bytes.reserve(utf16.size() * 2);
  for (char16_t c : utf16) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return convert("CP936", "UTF-16LE", bytes, "?", skip_two);
}

}  // namespace wf::platform
