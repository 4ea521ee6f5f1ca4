// Processor facts through cpuid (x86) and sched_setaffinity. On other processors the brand
// comes from /proc/cpuinfo and each logical processor counts as its own core.
#include "platform/cpu.h"

#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define WF_HAVE_CPUID 1
#endif

namespace wf::platform {
namespace {

constexpr uint32_t kLeafBrandFirst = 0x80000002;
constexpr uint32_t kLeafBrandLast = 0x80000004;
constexpr uint32_t kLeafExtMax = 0x80000000;
constexpr uint32_t kLeafCoreSize = 0x80000008;
constexpr uint32_t kHttBit = 1u << 28;
constexpr int kClockDivisor = 62500;  // ticks in 1/16 s * 16 / 1,000,000

// The monotonic clock directly: the measurement must not follow a test's virtual clock.
double monotonic_ns() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC_RAW, &ts);
  return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

void tidy_brand(char* dest) {
  size_t start = 0;
  while (dest[start] == ' ') ++start;
  size_t n = 0;
  for (size_t i = start; dest[i]; ++i)
    dest[n++] = static_cast<char>(std::toupper(static_cast<unsigned char>(dest[i])));
  dest[n] = 0;
}

#ifdef WF_HAVE_CPUID
void cpuid(uint32_t leaf, uint32_t* a, uint32_t* b, uint32_t* c, uint32_t* d) {
  __cpuid_count(leaf, 0, *a, *b, *c, *d);
}

void fill_record(CpuRecord* r) {
  uint32_t a, b, c, d;
  cpuid(0, &a, &b, &c, &d);
  r->max_leaf = static_cast<int32_t>(a);
  cpuid(kLeafExtMax, &a, &b, &c, &d);
  r->max_ext_leaf = static_cast<int32_t>(a);
  if (r->max_leaf >= 1) {
    cpuid(1, &a, &b, &c, &d);
    r->logical_count = static_cast<int32_t>((b >> 16) & 0xFF);
    r->apic_id = static_cast<int32_t>((b >> 24) & 0xFF);
    r->htt = (d & kHttBit) ? 1 : 0;
  }
  if (static_cast<uint32_t>(r->max_ext_leaf) >= kLeafCoreSize) {
    cpuid(kLeafCoreSize, &a, &b, &c, &d);
    r->apic_core_bits = static_cast<int32_t>((c >> 12) & 0xF);
    r->nc = static_cast<int32_t>(c & 0xFF);
  }
  r->mnc = r->apic_core_bits ? (1 << r->apic_core_bits) : r->nc + 1;
  r->cores = r->nc + 1;
  r->threads_per_core = r->htt ? r->logical_count / (r->nc + 1) : 1;
  cpu_split_apic(r->apic_id, r->apic_core_bits, &r->package_id, &r->core_id);
  r->legacy = 0;
}
#endif

}  // namespace

void cpu_split_apic(int32_t apic_id, int32_t apic_core_bits, int32_t* package_id,
                    int32_t* core_id) {
  int32_t s = apic_core_bits ? apic_core_bits : 1;
  int32_t m = (1 << s) - 1;
  *package_id = (apic_id & ~m) >> s;
  *core_id = apic_id & m;
}

void processor_brand(char* dest) {
  dest[0] = 0;
#ifdef WF_HAVE_CPUID
  uint32_t a, b, c, d;
  cpuid(kLeafExtMax, &a, &b, &c, &d);
  if (a >= kLeafBrandLast) {
    uint32_t words[12];
    for (uint32_t leaf = kLeafBrandFirst; leaf <= kLeafBrandLast; ++leaf) {
      uint32_t* w = words + (leaf - kLeafBrandFirst) * 4;
      cpuid(leaf, &w[0], &w[1], &w[2], &w[3]);
    }
    std::memcpy(dest, words, 48);
    dest[48] = 0;
  }
#else
  if (FILE* f = std::fopen("/proc/cpuinfo", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
      const char* colon = std::strchr(line, ':');
      if (colon && (std::strncmp(line, "model name", 10) == 0 ||
                    std::strncmp(line, "Model", 5) == 0)) {
        std::snprintf(dest, 49, "%s", colon + 1);
        dest[std::strcspn(dest, "\n")] = 0;
        break;
      }
    }
    std::fclose(f);
  }
#endif
  tidy_brand(dest);
}

int32_t processor_clock() {
#ifdef WF_HAVE_CPUID
  // Raise the priority for the busy wait where the system allows it; restore afterwards.
  int old_policy = sched_getscheduler(0);
  sched_param old_param{};
  sched_getparam(0, &old_param);
  sched_param rt{};
  rt.sched_priority = sched_get_priority_max(SCHED_FIFO);
  bool raised = sched_setscheduler(0, SCHED_FIFO, &rt) == 0;

  const double span_ns = 1e9 / 16;
  double start = monotonic_ns();
  uint64_t tsc0 = __rdtsc();
  while (monotonic_ns() - start < span_ns) {
  }
  uint64_t tsc1 = __rdtsc();
  if (raised) sched_setscheduler(0, old_policy, &old_param);
  return static_cast<int32_t>((tsc1 - tsc0) / kClockDivisor);
#else
  return 0;
#endif
}

int32_t logical_processors() {
  long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<int32_t>(n) : 1;
}

int32_t core_count(CpuRecord* records, int32_t* logical) {
  const int32_t n = logical_processors();
  if (logical) *logical = n;
  const int32_t scanned = n < kMaxCpuRecords ? n : kMaxCpuRecords;
  if (records) std::memset(records, 0, sizeof(CpuRecord) * static_cast<size_t>(scanned));
#ifdef WF_HAVE_CPUID
  cpu_set_t saved;
  CPU_ZERO(&saved);
  bool have_saved = sched_getaffinity(0, sizeof saved, &saved) == 0;
  int counters[kPackageCounters] = {};
  std::set<int32_t> big_ids;
  for (int32_t i = 0; i < scanned; ++i) {
    if (have_saved && !CPU_ISSET(i, &saved)) continue;  // not ours to run on
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(i, &one);
    if (sched_setaffinity(0, sizeof one, &one) != 0) continue;
    CpuRecord r{};
    fill_record(&r);
    if (records) records[i] = r;
    if (r.package_id >= 0 && r.package_id < kPackageCounters) ++counters[r.package_id];
    else big_ids.insert(r.package_id);
  }
  if (have_saved) sched_setaffinity(0, sizeof saved, &saved);
  int32_t packages = static_cast<int32_t>(big_ids.size());
  for (int c : counters)
    if (c) ++packages;
  return packages ? packages : 1;
#else
  return n;
#endif
}

}  // namespace wf::platform
