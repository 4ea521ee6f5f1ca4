// Fuzz target: the desktop clipboard's file lists come from any program on the desktop.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/clipboard_uri.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto paths = wf::platform::parse_uri_list(text);
  std::vector<std::string> copied;
  wf::platform::parse_copied_files(text, &copied);
  // What is written must read back the same.
  if (wf::platform::parse_uri_list(wf::platform::make_uri_list(paths)) != paths) __builtin_trap();
  return 0;
}
