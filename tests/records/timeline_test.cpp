// The timelines: month files, year flags and count, removal marks, serials, bounds, damaged
// files, the repair pass and adds from several threads.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <thread>

#include "platform/paths.h"
#include "shell/globals.h"
#include "store/repair.h"
#include "store/timeline.h"
#include "store_fixture.h"

namespace wf::store::testing {
namespace {

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
uint16_t u16(const std::vector<uint8_t>& b, size_t at) {
  uint16_t v = 0;
  std::memcpy(&v, b.data() + at, 2);
  return v;
}

class Timeline : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    ASSERT_EQ(0, load_timeline());
  }
  Stamp at(uint16_t kind, int year, int month, int second) {
    set_test_time(year, month, 3, 9, 5, second);
    return new_stamp(kind);
  }
};

TEST_F(Timeline, FirstAddOfAMonthMakesItsFileAndFlagsTheYear) {
  std::vector<uint8_t> root = file_bytes(timeline_root_path());
  ASSERT_EQ(kTimelineRootSize, root.size());
  EXPECT_EQ(0u, u32(root, 0));

  Stamp a = at(kKindFrame, 2017, 3, 1);
  ASSERT_EQ(0, timeline_add(&a, false));
  EXPECT_NE(0, a.serial);
  Stamp b = at(kKindCase, 2017, 3, 2);
  ASSERT_EQ(0, timeline_add(&b, false));
  Stamp c = at(kKindCase, 2018, 1, 3);
  ASSERT_EQ(0, timeline_add(&c, false));

  root = file_bytes(timeline_root_path());
  EXPECT_EQ(2u, u32(root, kTimelineRootYearCount));
  EXPECT_EQ(1, u16(root, kTimelineRootFlags + 2 * 2017));
  EXPECT_EQ(1, u16(root, kTimelineRootFlags + 2 * 2018));
  EXPECT_EQ(0, u16(root, kTimelineRootFlags + 2 * 2016));

  std::vector<uint8_t> month = file_bytes(timeline_month_path(2017, 3));
  ASSERT_EQ(kMonthTimelineSize, month.size());
  EXPECT_EQ(kMonthTimelineSize, u32(month, 0));
  EXPECT_EQ(0xFFFFFFFFu, u32(month, 280));
  EXPECT_EQ(0xFFFFFFFFu, u32(month, 284));
  EXPECT_EQ(kKindTimeline, u16(month, kMonthOwnStamp));
  EXPECT_EQ(0xFFFF, u16(month, kMonthOwnStamp + kStampSerial));
  EXPECT_STREQ("2017.03", reinterpret_cast<const char*>(month.data() + kMonthName));
  EXPECT_EQ(2u, u32(month, kMonthEntryCount));
  EXPECT_EQ(0, std::memcmp(month.data() + kMonthEntries, &a, 16));
  EXPECT_EQ(0, std::memcmp(month.data() + kMonthEntries + 16, &b, 16));
  EXPECT_EQ(1u, u32(file_bytes(timeline_month_path(2018, 1)), kMonthEntryCount));

  // A fresh load holds the same months.
  free_timeline();
  ASSERT_EQ(0, load_timeline());
  EXPECT_EQ(1, timeline_find(b));
  EXPECT_EQ(0, timeline_find(c));
}

TEST_F(Timeline, SerialsKeptForPicturesAndOnRequest) {
  Stamp pic = at(kKindPicture, 2017, 3, 1);
  pic.serial = 0x4242;
  ASSERT_EQ(0, timeline_add(&pic, false));
  EXPECT_EQ(0x4242, pic.serial);
  Stamp kept = at(kKindCase, 2017, 3, 2);
  kept.serial = 0x1111;
  ASSERT_EQ(0, timeline_add(&kept, true));
  EXPECT_EQ(0x1111, kept.serial);
  Stamp as_is = at(kKindCase, 2017, 3, 3);
  as_is.serial = 0x2222;
  ASSERT_EQ(0, timeline_add_as_is(as_is));
  EXPECT_EQ(2, timeline_find(as_is));
  EXPECT_EQ(0, timeline_find(pic));
}

TEST_F(Timeline, MarkRemovedSetsTheBitOnceAndKeepsTheCount) {
  Stamp a = at(kKindCase, 2017, 3, 1);
  Stamp b = at(kKindCase, 2017, 3, 2);
  ASSERT_EQ(0, timeline_add(&a, false));
  ASSERT_EQ(0, timeline_add(&b, false));
  ASSERT_EQ(0, timeline_mark_removed(a));
  std::vector<uint8_t> once = file_bytes(timeline_month_path(2017, 3));
  EXPECT_EQ(kKindCase + kKindRemoved, u16(once, kMonthEntries));
  EXPECT_EQ(kKindCase, u16(once, kMonthEntries + 16));
  EXPECT_EQ(2u, u32(once, kMonthEntryCount));
  EXPECT_EQ(0, timeline_find(a));  // a removed entry is still found
  ASSERT_EQ(0, timeline_mark_removed(a));
  EXPECT_EQ(once, file_bytes(timeline_month_path(2017, 3)));

  Stamp never = at(kKindCase, 2017, 3, 9);
  EXPECT_EQ(-3, timeline_mark_removed(never));
  Stamp other_month = at(kKindCase, 2017, 5, 1);
  EXPECT_EQ(-3, timeline_mark_removed(other_month));
  EXPECT_EQ(-2, timeline_find(other_month));
}

TEST_F(Timeline, OutOfRangeAndFullMonthsWriteNothing) {
  struct Case {
    int year;
    int month;
  };
  for (Case c : {Case{2998, 1}, Case{3000, 5}, Case{2017, 13}, Case{2017, 0}}) {
    Stamp s{};
    s.kind = kKindCase;
    s.year = static_cast<uint16_t>(c.year);
    s.month = static_cast<uint8_t>(c.month);
    EXPECT_EQ(kTimelineOutOfRange, timeline_add(&s, false)) << c.year << "/" << c.month;
    EXPECT_EQ(-2, timeline_mark_removed(s));
  }
  EXPECT_EQ(0u, u32(file_bytes(timeline_root_path()), 0));

  Stamp s = at(kKindCase, 2017, 3, 0);
  for (int i = 0; i < kTimelineEntries; ++i) {
    s.serial = static_cast<uint16_t>(i);
    ASSERT_EQ(0, timeline_add(&s, true));
  }
  EXPECT_EQ(kTimelineFull, timeline_add(&s, false));
  EXPECT_EQ(static_cast<uint32_t>(kTimelineEntries),
            u32(file_bytes(timeline_month_path(2017, 3)), kMonthEntryCount));
}

TEST_F(Timeline, DamagedFilesAreNotTrusted) {
  Stamp a = at(kKindCase, 2017, 3, 1);
  ASSERT_EQ(0, timeline_add(&a, false));
  // A month whose count exceeds its table is not held and takes no entries.
  std::vector<uint8_t> month = file_bytes(timeline_month_path(2017, 3));
  const uint32_t too_many = kTimelineEntries + 1;
  std::memcpy(month.data() + kMonthEntryCount, &too_many, 4);
  put_file_bytes(timeline_month_path(2017, 3), month);
  free_timeline();
  ASSERT_EQ(0, load_timeline());
  EXPECT_EQ(-2, timeline_find(a));
  Stamp b = at(kKindCase, 2017, 3, 2);
  EXPECT_EQ(0, timeline_add(&b, false));
  EXPECT_NE(0, b.serial);
  EXPECT_EQ(month, file_bytes(timeline_month_path(2017, 3)));

  // A short root is refused and left as it is.
  std::vector<uint8_t> root = file_bytes(timeline_root_path());
  root.resize(100);
  put_file_bytes(timeline_root_path(), root);
  free_timeline();
  EXPECT_EQ(kTimelineDamaged, load_timeline());
  EXPECT_EQ(root, file_bytes(timeline_root_path()));
}

TEST_F(Timeline, RepairPassReentersMissingCasesOnce) {
  ASSERT_EQ(kLoadCreated, load_store(false));
  for (int k = 0; k < 3; ++k) ASSERT_EQ(k, new_case(0, 0, "c", at(kKindCase, 2017, 4, k)).kase);
  const Stamp lost = case_record(0, 0, 1)->own;
  // Wipe April's timeline as if it had never been written.
  std::filesystem::remove(platform::native_path(timeline_month_path(2017, 4)));
  free_timeline();
  ASSERT_EQ(0, load_timeline());
  ASSERT_EQ(-2, timeline_find(lost));
  const size_t before = journal_size();

  start_repair_pass();
  wait_repair_pass();
  EXPECT_EQ(1, timeline_find(lost));
  MonthTimeline m;
  ASSERT_EQ(0, timeline_month_copy(2017, 4, &m));
  EXPECT_EQ(3u, m.entry_count);
  EXPECT_EQ(lost.serial, m.entries[1].serial);  // serials are kept
  // Each case already has a pending new entry, so the checks merge into them.
  EXPECT_EQ(before, journal_size());

  journal_delete();
  std::filesystem::remove(platform::native_path(timeline_month_path(2017, 4)));
  free_timeline();
  ASSERT_EQ(0, load_timeline());
  EXPECT_EQ(3, run_repair_pass());
  std::vector<ChangeRecord> log = journal_entries();
  ASSERT_EQ(3u, log.size());
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(kOpTimelineCheck, log[k].op);
    EXPECT_EQ(kClassCase, log[k].cls);
    EXPECT_TRUE(same_object(case_record(0, 0, k)->own, log[k].stamp));
  }
  EXPECT_EQ(0, run_repair_pass());
  EXPECT_EQ(3u, journal_size());
}

TEST_F(Timeline, RepairPassRunsBesideTheDesk) {
  ASSERT_EQ(kLoadCreated, load_store(false));
  ASSERT_EQ(1, new_frame(0, "other").frame);
  for (int k = 0; k < 60; ++k) ASSERT_EQ(k, new_case(0, 0, "c", at(kKindCase, 2017, 6, k)).kase);
  std::filesystem::remove(platform::native_path(timeline_month_path(2017, 6)));
  free_timeline();
  ASSERT_EQ(0, load_timeline());

  start_repair_pass();
  for (int k = 0; k < 40; ++k) {  // the desk goes on creating cases meanwhile
    std::lock_guard<std::recursive_mutex> hold(shell::g_shell.desk_data_lock);
    ASSERT_EQ(k, new_case(0, 1, "d", at(kKindCase, 2017, 7, k)).kase);
  }
  wait_repair_pass();
  for (int f = 0; f < 2; ++f)
    for (int k = 0; k < case_count(0, f); ++k)
      EXPECT_GE(timeline_find(case_record(0, f, k)->own), 0) << f << " " << k;
}

TEST_F(Timeline, ConcurrentAddsLoseNothing) {
  constexpr int kThreads = 4;
  constexpr int kEach = 150;
  const Stamp base = at(kKindCase, 2017, 3, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, base] {
      for (int i = 0; i < kEach; ++i) {
        Stamp s = base;
        s.serial = static_cast<uint16_t>(t * kEach + i);
        timeline_add(&s, true);
      }
    });
  }
  for (auto& th : threads) th.join();
  std::vector<uint8_t> month = file_bytes(timeline_month_path(2017, 3));
  ASSERT_EQ(static_cast<uint32_t>(kThreads * kEach), u32(month, kMonthEntryCount));
  std::vector<int> seen(kThreads * kEach, 0);
  for (int i = 0; i < kThreads * kEach; ++i) seen[u16(month, kMonthEntries + 16 * i + kStampSerial)]++;
  for (int n : seen) ASSERT_EQ(1, n);
}

}  // namespace
}  // namespace wf::store::testing
