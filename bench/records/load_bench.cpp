// Loading a whole account: 20 Dirs x 10 Frames x 10 cases (2,000 cases), and an empty one.
// Goals: the load under 300 ms, about 16 KiB resident per loaded case, and an empty
// account's process under 20 MB resident. The figures are printed as counters:
// load time (the benchmark's own time), rss_per_case_KiB, rss_loaded_MB and rss_empty_MB.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/paths.h"
#include "store/datastore.h"
#include "store/journal.h"
#include "store/settings.h"
#include "store/timeline.h"

namespace {

using namespace wf::store;

int g_seconds = 0;

// Every stamp a second later than the one before, so that 2,000 names never collide.
void ticking_time(std::tm* out) {
  std::time_t t = 1488531907 + g_seconds++;
  gmtime_r(&t, out);
}

double resident_mb() {
  long pages = 0, resident = 0;
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
  std::fclose(f);
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The temporary account folders, removed when the benchmark ends.
struct Folders {
  std::vector<std::string> made;
  ~Folders() {
    std::error_code ec;
    for (const std::string& f : made) std::filesystem::remove_all(f, ec);
  }
};
Folders g_folders;

std::string make_folder(const char* tag) {
  std::string pattern = std::string("/tmp/wf_records_bench_") + tag + "_XXXXXX";
  if (!mkdtemp(pattern.data())) std::abort();
  g_folders.made.push_back(pattern);
  wf::platform::set_program_folder(pattern);
  load_settings(-1, "");
  return pattern;
}

void forget() {
  free_store();
  free_timeline();
  journal_clear_memory();
}

// Builds the account once per process: the first tree plus Dirs, Frames and cases.
const std::string& full_account() {
  static std::string folder;
  if (!folder.empty()) return folder;
  folder = make_folder("full");
  set_local_time_source(ticking_time);
  load_store(false);
  for (int d = 0; d < 20; ++d) {
    if (d > 0) new_dir(("dir " + std::to_string(d)).c_str());
    for (int f = frame_count(d); f < 10; ++f) new_frame(d, ("board " + std::to_string(f)).c_str());
    for (int f = 0; f < 10; ++f)
      for (int k = 0; k < 10; ++k) new_case(d, f, "case", new_stamp(kKindCase));
  }
  forget();
  return folder;
}

void BM_LoadStore2000Cases(benchmark::State& state) {
  const std::string& folder = full_account();
  wf::platform::set_program_folder(folder);
  const double before = resident_mb();
  double loaded = before;
  int cases = 0;
  for (auto _ : state) {
    int rc = load_store(false);
    if (rc != 0) state.SkipWithError("load failed");
    state.PauseTiming();
    loaded = resident_mb();
    cases = 0;
    for (int d = 0; d < dir_count(); ++d)
      for (int f = 0; f < frame_count(d); ++f) cases += case_count(d, f);
    forget();
    state.ResumeTiming();
  }
  state.counters["cases"] = cases;
  state.counters["rss_loaded_MB"] = loaded;
  state.counters["rss_per_case_KiB"] = cases ? (loaded - before) * 1024.0 / cases : 0;
}
BENCHMARK(BM_LoadStore2000Cases)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_LoadEmptyAccount(benchmark::State& state) {
  static std::string folder = make_folder("empty");
  wf::platform::set_program_folder(folder);
  load_store(false);  // the first tree
  forget();
  double rss = 0;
  for (auto _ : state) {
    load_store(false);
    state.PauseTiming();
    rss = resident_mb();
    forget();
    state.ResumeTiming();
  }
  state.counters["rss_empty_MB"] = rss;
}
BENCHMARK(BM_LoadEmptyAccount)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
