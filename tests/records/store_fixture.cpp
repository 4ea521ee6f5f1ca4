// The per-test program folder and fixed clock of the record store tests.
#include "store_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>

#include "platform/paths.h"
#include "store/repair.h"
#include "store/rng.h"
#include "store/settings.h"

namespace wf::store::testing {
namespace {

std::mutex g_tm_lock;  // background passes read the time while a test sets it
std::tm g_tm{};

void fixed_time(std::tm* out) {
  std::lock_guard<std::mutex> hold(g_tm_lock);
  *out = g_tm;
}

}  // namespace

void set_test_time(int year, int month, int day, int hour, int minute, int second) {
  std::lock_guard<std::mutex> hold(g_tm_lock);
  g_tm = std::tm{};
  g_tm.tm_year = year - 1900;
  g_tm.tm_mon = month - 1;
  g_tm.tm_mday = day;
  g_tm.tm_hour = hour;
  g_tm.tm_min = minute;
  g_tm.tm_sec = second;
}

std::vector<uint8_t> file_bytes(const std::string& stored) {
  std::ifstream in(platform::native_path(stored), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void put_file_bytes(const std::string& stored, const std::vector<uint8_t>& bytes) {
  std::ofstream out(platform::native_path(stored), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

long long stored_length(const std::string& stored) {
  std::error_code ec;
  auto n = std::filesystem::file_size(platform::native_path(stored), ec);
  return ec ? -1 : static_cast<long long>(n);
}

void StoreTest::SetUp() {
  char pattern[] = "/tmp/wf_records_XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  folder_ = pattern;
  platform::set_program_folder(folder_);
  ASSERT_EQ(0, load_settings(-1, ""));  // the local account's data root
  set_test_time(2017, 3, 3, 9, 5, 7);
  set_local_time_source(fixed_time);
  seed_general_rng(12345);
  g_store.local_account = true;
  forget_all();
}

void StoreTest::TearDown() {
  forget_all();
  set_local_time_source(nullptr);
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

void StoreTest::forget_all() {
  stop_repair_pass();
  free_store();
  free_timeline();
  journal_clear_memory();
}

}  // namespace wf::store::testing
