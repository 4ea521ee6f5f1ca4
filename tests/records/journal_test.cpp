// The change journal: merging with pending entries, the file kept equal to the list,
// loading, cancelling and deleting, and appends from several threads at once.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/paths.h"
#include "store/journal.h"
#include "store_fixture.h"

namespace wf::store::testing {
namespace {

class Journal : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    ASSERT_EQ(kLoadCreated, load_store(false));
    base_ = journal_size();
  }
  std::vector<ChangeRecord> added() {
    std::vector<ChangeRecord> all = journal_entries();
    return std::vector<ChangeRecord>(all.begin() + static_cast<long>(base_), all.end());
  }
  // The "log" file must hold exactly the list.
  void expect_file_is_list() {
    std::vector<ChangeRecord> all = journal_entries();
    std::vector<uint8_t> bytes = file_bytes(journal_path());
    ASSERT_EQ(all.size() * kChangeRecordSize, bytes.size());
    EXPECT_EQ(0, std::memcmp(bytes.data(), all.data(), bytes.size()));
  }
  size_t base_ = 0;
};

int32_t data_i32(const ChangeRecord& r, int at) {
  int32_t v;
  std::memcpy(&v, r.data + at, 4);
  return v;
}

TEST_F(Journal, DeletedNewCaseLeavesACancelledEntryAndNoDelete) {
  Position p = new_case(0, 0, "gone", new_stamp(kKindCase));
  ASSERT_EQ(0, p.kase);
  const Stamp s = case_record(0, 0, 0)->own;
  ASSERT_EQ(0, delete_case(0, 0, 0));
  std::vector<ChangeRecord> log = added();
  // new-Case (now cancelled), item count of the Frame, modify of the Frame.
  ASSERT_EQ(3u, log.size());
  EXPECT_EQ(kOpCancelled, log[0].op);
  EXPECT_EQ(kClassCase, log[0].cls);
  EXPECT_TRUE(same_object(s, log[0].stamp));
  for (const ChangeRecord& r : log) EXPECT_NE(kOpDelete, r.op);
  EXPECT_EQ(kOpItemCount, log[1].op);
  EXPECT_EQ(kOpModify, log[2].op);
  EXPECT_EQ(kClassFrame, log[2].cls);
  expect_file_is_list();
}

TEST_F(Journal, MergingRules) {
  ASSERT_EQ(0, new_case(0, 0, "m", new_stamp(kKindCase)).kase);
  CaseRecord* c = case_record(0, 0, 0);
  const Position at{0, 0, 0};
  c->x = 10;
  c->y = 20;
  ASSERT_EQ(0, journal_append(kOpMove, kClassCase, at));
  c->x = 30;
  c->y = -40;
  ASSERT_EQ(0, journal_append(kOpMove, kClassCase, at));
  ASSERT_EQ(0, journal_append(kOpModify, kClassCase, at));
  ASSERT_EQ(0, journal_append(kOpModify, kClassCase, at));
  ASSERT_EQ(0, journal_append(kOpTimelineCheck, kClassCase, at, nullptr, &c->own));
  ASSERT_EQ(0, journal_append(kOpModify, kClassFrame, Position{0, 0, -1}));
  ASSERT_EQ(0, journal_append(kOpRename, kClassFrame, Position{0, 0, -1}, "new name"));
  ASSERT_EQ(0, journal_append(kOpRename, kClassFrame, Position{0, 0, -1}, "newer"));
  std::vector<ChangeRecord> log = added();
  // new, item count, one move, one modify, (check merged into the case's entries),
  // modify Frame, two renames.
  ASSERT_EQ(7u, log.size());
  EXPECT_EQ(kOpMove, log[2].op);
  EXPECT_EQ(30, data_i32(log[2], 0));
  EXPECT_EQ(-40, data_i32(log[2], 4));
  EXPECT_EQ(kOpModify, log[3].op);
  EXPECT_EQ(kClassCase, log[3].cls);
  EXPECT_EQ(kOpModify, log[4].op);
  EXPECT_EQ(kClassFrame, log[4].cls);
  EXPECT_STREQ("new name", reinterpret_cast<const char*>(log[5].data));
  EXPECT_STREQ("我的白板", log[5].frame_name);
  EXPECT_STREQ("newer", reinterpret_cast<const char*>(log[6].data));
  expect_file_is_list();

  EXPECT_EQ(-1, journal_append(kOpModify, 9, at));
  EXPECT_EQ(-2, journal_append(kOpModify, kClassCase, Position{0, 0, 5}));
}

TEST_F(Journal, TimelineCheckEnteredOnceAndPicturesCarryTheirLength) {
  Stamp pic = new_stamp(kKindPicture);
  pic.serial = 0x77;
  ASSERT_EQ(0, journal_append(kOpTimelineCheck, kClassCase, Position{}, nullptr, &pic));
  ASSERT_EQ(0, journal_append(kOpTimelineCheck, kClassCase, Position{}, nullptr, &pic));
  ASSERT_EQ(0, object_folders(pic));
  put_file_bytes(object_path(pic), std::vector<uint8_t>(1234, 0xFF));
  ASSERT_EQ(0, journal_append(kOpNew, kClassPicture, Position{}, nullptr, &pic));
  Stamp gone = pic;
  gone.serial = 0x78;
  ASSERT_EQ(0, journal_append(kOpNew, kClassPicture, Position{}, nullptr, &gone));
  EXPECT_EQ(-2, journal_append(kOpNew, kClassPicture, Position{}));
  std::vector<ChangeRecord> log = added();
  ASSERT_EQ(3u, log.size());
  EXPECT_EQ(kOpTimelineCheck, log[0].op);
  EXPECT_EQ(1234u, log[1].content_size + 0u);
  EXPECT_TRUE(same_object(pic, log[1].stamp));
  EXPECT_EQ(0u, log[2].content_size + 0u);
}

TEST_F(Journal, LoadCancelAndDelete) {
  const std::vector<ChangeRecord> before = journal_entries();
  ASSERT_EQ(3u, before.size());
  // A trailing partial record is left out at load and overwritten by the next append.
  std::vector<uint8_t> bytes = file_bytes(journal_path());
  bytes.resize(bytes.size() + 50, 0xAB);
  put_file_bytes(journal_path(), bytes);
  journal_clear_memory();
  EXPECT_EQ(3, journal_load());
  EXPECT_EQ(0, std::memcmp(before.data(), journal_entries().data(), 3 * kChangeRecordSize));
  ASSERT_EQ(0, journal_append(kOpModify, kClassFrame, Position{0, 0, -1}));
  expect_file_is_list();

  // Cancelling a Dir's delivered record zero-fills every entry of that Dir.
  EXPECT_EQ(2, journal_cancel_matching(before[0]));
  std::vector<ChangeRecord> now = journal_entries();
  const ChangeRecord zero{};
  EXPECT_EQ(0, std::memcmp(&now[0], &zero, sizeof zero));
  EXPECT_EQ(0, std::memcmp(&now[2], &zero, sizeof zero));
  EXPECT_EQ(kOpNew, now[1].op);
  expect_file_is_list();

  ASSERT_EQ(0, journal_append_password("secret"));
  EXPECT_EQ(6u, journal_entries().back().content_size + 0u);
  journal_delete();
  EXPECT_EQ(0u, journal_size());
  EXPECT_FALSE(std::filesystem::exists(platform::native_path(journal_path())));
  ASSERT_EQ(0, journal_append(kOpModify, kClassFrame, Position{0, 0, -1}));
  expect_file_is_list();
}

TEST_F(Journal, ConcurrentAppendsLoseNothing) {
  constexpr int kThreads = 4;
  constexpr int kEach = 200;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kEach; ++i) {
        Stamp s = new_stamp(kKindPicture);
        s.serial = static_cast<uint16_t>(t * kEach + i);
        journal_append(kOpNew, kClassPicture, Position{}, nullptr, &s);
      }
    });
  }
  for (auto& th : threads) th.join();
  std::vector<ChangeRecord> log = added();
  ASSERT_EQ(static_cast<size_t>(kThreads * kEach), log.size());
  std::vector<int> seen(kThreads * kEach, 0);
  for (const ChangeRecord& r : log) seen[r.stamp.serial]++;
  for (int n : seen) ASSERT_EQ(1, n);
  expect_file_is_list();
}

}  // namespace
}  // namespace wf::store::testing
