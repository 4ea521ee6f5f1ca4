// Conversions between GBK (the system's text in memory, in files and on the wire) and the
// encodings of the platform boundary: UTF-8 (fonts, file names, the desktop clipboard, web
// pages) and UTF-16 (typed characters). Bytes that do not convert become '?' (or U+FFFD
// towards Unicode); a conversion never fails as a whole.
#pragma once
#include <string>
#include <string_view>

namespace wf::platform {

std::string gbk_to_utf8(std::string_view gbk);
std::string utf8_to_gbk(std::string_view utf8);
std::u16string gbk_to_utf16(std::string_view gbk);
std::string utf16_to_gbk(std::u16string_view utf16);

}  // namespace wf::platform
