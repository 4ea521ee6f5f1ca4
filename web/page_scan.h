// The scanners of page passes, apart from the network so that tests and the fuzz target can
// feed them bytes directly: the charset decision, the UTF-8 conversion of a pass, the title
// and marker searches, and the pass loop over any byte source.
#pragma once
#include <cstddef>
#include <optional>
#include <string>

namespace wf::web {

// The six charset tag rows, each searched unquoted first and quoted only when the unquoted
// form is absent.
enum CharsetRow { kGbkLower, kGbkUpper, kGb2312Lower, kGb2312Upper, kUtf8Lower, kUtf8Upper,
                  kCharsetRows };

// 1 when a pass (zero-terminated text) is to be read as UTF-8, 0 when its bytes are GBK.
int pass_is_utf8(const char* text);

// Searches one pass (`text`, zero-terminated, its bytes are changed) for `start` and the
// next `end` after it; the text between them with bytes 1-31 replaced by spaces, or nothing.
// A UTF-8 pass is converted to GBK first.
std::optional<std::string> scan_pass(char* text, std::size_t length, const char* start,
                                     const char* end);

// A byte source that fills up to `want` bytes (fewer only at its end) and returns the count.
struct ByteSource {
  std::size_t (*read)(void* context, char* into, std::size_t want);
  void* context;
};

// The pass loop: passes of two kPassRead reads until the source ends (or kMaxPageBytes
// were read); the result of the last pass that held both markers.
std::optional<std::string> scan_passes(ByteSource source, const char* start, const char* end);

inline constexpr char kTitleStart[] = "<title>";
inline constexpr char kTitleEnd[] = "</title>";

}  // namespace wf::web
