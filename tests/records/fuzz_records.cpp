// Fuzz target of the record loaders: a valid account tree is made once; each input replaces
// one of its files (chosen by the first byte), the store and the timeline are loaded from
// it (with or without the repair pass), then every file is put back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "store/datastore.h"
#include "store/journal.h"
#include "store/records.h"
#include "store/timeline.h"

namespace {

using namespace wf::store;

std::vector<std::string> g_files;
std::vector<std::vector<uint8_t>> g_kept;  // the valid bytes of every file

// The account folder, removed when the fuzzer exits.
struct Folder {
  std::string path;
  ~Folder() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
};
Folder g_folder;

std::vector<uint8_t> read_all(const std::string& stored) {
  std::ifstream in(wf::platform::native_path(stored), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void write_all(const std::string& stored, const uint8_t* data, size_t len) {
  std::ofstream out(wf::platform::native_path(stored), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(len));
}

void make_tree() {
  char pattern[] = "/tmp/wf_fuzz_records_XXXXXX";
  if (!mkdtemp(pattern)) std::abort();
  g_folder.path = pattern;
  wf::platform::set_program_folder(pattern);
  load_store(false);
  new_case(0, 0, "a", new_stamp(kKindCase));
  new_case(0, 0, "b", new_stamp(kKindCase));
  g_files = {root_file_path(), dir_file_path(g_store.root.dir_stamps[0]),
             object_path(frame_record(0, 0)->own), object_path(case_record(0, 0, 0)->own),
             timeline_root_path(), timeline_month_path(g_store.root.dir_stamps[0].year,
                                                       g_store.root.dir_stamps[0].month),
             journal_path()};
  free_store();
  for (const std::string& f : g_files) g_kept.push_back(read_all(f));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (g_files.empty()) make_tree();
  if (size < 1) return 0;
  const std::string& target = g_files[data[0] % g_files.size()];
  const bool repair = (data[0] & 0x80) != 0;
  write_all(target, data + 1, size - 1);
  check_root_record(data + 1, size - 1);
  check_case_record(data + 1, size - 1);
  check_month_timeline(data + 1, size - 1);
  free_timeline();
  load_timeline();
  journal_load();
  if (load_store(repair) >= 0) {
    for (int j = 0; j < frame_count(0); ++j) load_cases(0, j);
  }
  free_store();
  // The repair pass may have rewritten other files too: put every one back.
  for (size_t i = 0; i < g_files.size(); ++i) write_all(g_files[i], g_kept[i].data(), g_kept[i].size());
  return 0;
}
