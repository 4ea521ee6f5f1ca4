// A temporary program folder for the settings and account tests, with the in-memory record
// and table reset before each test.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "store/accounts.h"
#include "store/sealed.h"
#include "store/settings.h"

namespace wf::store {

class ProfileTest : public ::testing::Test {
 public:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("wf-profile-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    platform::set_program_folder(dir_.string());
    account_table().clear();
    settings().clear();
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path native(const std::string& stored) { return platform::native_path(stored); }

  std::vector<uint8_t> read_file(const std::string& stored) {
    std::ifstream f(native(stored), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
  }
  void write_file(const std::string& stored, const std::vector<uint8_t>& data) {
    std::ofstream f(native(stored), std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  }
  // Unseals a file and returns its plain bytes (empty on any failure).
  std::vector<uint8_t> unseal_file_bytes(const std::string& stored) {
    std::vector<uint8_t> plain(8192);
    long n = read_sealed(stored, plain.data(), plain.size());
    plain.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return plain;
  }

  std::filesystem::path dir_;
};

}  // namespace wf::store
