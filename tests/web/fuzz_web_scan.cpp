// Fuzz target for the page scanners: any bytes as a page, read in passes, searched for a
// title and for each echo-page marker pair. The first byte picks the markers.
#include <cstdint>
#include <cstring>
#include <string>

#include "web/page_scan.h"
#include "web/web.h"

namespace {

struct Memory {
  const uint8_t* data;
  size_t size;
  size_t at;
  static size_t read(void* self, char* into, size_t want) {
    auto* m = static_cast<Memory*>(self);
    size_t n = want < m->size - m->at ? want : m->size - m->at;
    std::memcpy(into, m->data + m->at, n);
    m->at += n;
    return n;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  int pick = data[0] % (wf::web::kEchoRows + 1);
  const char* start = wf::web::kTitleStart;
  const char* end = wf::web::kTitleEnd;
  if (pick < wf::web::kEchoRows) {
    start = wf::web::kEchoPages[pick].start;
    end = wf::web::kEchoPages[pick].end;
  }
  Memory page{data + 1, size - 1, 0};
  auto found = wf::web::scan_passes(wf::web::ByteSource{Memory::read, &page}, start, end);
  if (found && found->size() > wf::web::kPassSize * 2) __builtin_trap();
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  wf::web::pass_is_utf8(text.c_str());
  return 0;
}
