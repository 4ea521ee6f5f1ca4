// Memory facts from /proc/meminfo (MemAvailable counts reclaimable cache, as the system's
// own "available" figure does), with sysinfo() as the fallback.
#include "platform/memory.h"

#include <sys/sysinfo.h>

#include <cstdio>
#include <cstring>

namespace wf::platform {

int memory_status(uint32_t* total_mib, uint32_t* available_mib) {
  uint64_t total_kib = 0, avail_kib = 0;
  if (FILE* f = std::fopen("/proc/meminfo", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
      unsigned long long v = 0;
      if (std::sscanf(line, "MemTotal: %llu kB", &v) == 1) total_kib = v;
      else if (std::sscanf(line, "MemAvailable: %llu kB", &v) == 1) avail_kib = v;
    }
    std::fclose(f);
  }
  if (total_kib == 0) {
    struct sysinfo si;
    if (::sysinfo(&si) == 0) {
      total_kib = static_cast<uint64_t>(si.totalram) * si.mem_unit / 1024;
      avail_kib = static_cast<uint64_t>(si.freeram) * si.mem_unit / 1024;
    }
  }
  if (total_mib) *total_mib = static_cast<uint32_t>(total_kib / 1024);
  if (available_mib) *available_mib = static_cast<uint32_t>(avail_kib / 1024);
  return total_kib ? 0 : -1;
}

}  // namespace wf::platform
