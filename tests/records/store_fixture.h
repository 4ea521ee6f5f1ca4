// A fresh program folder per test with a fixed local time, so that stamps, file names and
// records are the same on every run.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "store/datastore.h"
#include "store/journal.h"
#include "store/records.h"
#include "store/stamp.h"
#include "store/timeline.h"

namespace wf::store::testing {

// The local time that stamps take while a test runs.
void set_test_time(int year, int month, int day, int hour, int minute, int second);

// Bytes of a stored file ("" = missing), and its native path.
std::vector<uint8_t> file_bytes(const std::string& stored);
void put_file_bytes(const std::string& stored, const std::vector<uint8_t>& bytes);
long long stored_length(const std::string& stored);

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Frees everything held in memory (as the end of a session would), keeping the files.
  void forget_all();
  std::string folder_;
};

}  // namespace wf::store::testing
