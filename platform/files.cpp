// Whole-file writes through a side file and rename; extension tests.
#include "platform/files.h"

#include <atomic>
#include <cstdio>
#include <unistd.h>

namespace wf::platform {
namespace {
std::atomic<uint32_t> g_side_serial{0};
}

int write_file_atomic(const std::string& native_path, const void* data, size_t n) {
  // Unique per process and call, so two writers of one file never share a side file.
  std::string side = native_path + ".new" + std::to_string(getpid()) + "_" +
                     std::to_string(g_side_serial.fetch_add(1));
  FILE* f = std::fopen(side.c_str(), "wb");
  if (!f) return -1;
  bool ok = n == 0 || std::fwrite(data, 1, n, f) == n;
  ok = std::fflush(f) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  if (ok && std::rename(side.c_str(), native_path.c_str()) == 0) return 0;
  std::remove(side.c_str());
  return -1;
}

bool has_extension(std::string_view name, std::string_view extension) {
  if (name.size() < extension.size()) return false;
  name.remove_prefix(name.size() - extension.size());
  for (size_t i = 0; i < extension.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    if (c != extension[i]) return false;
  }
  return true;
}

}  // namespace wf::platform
