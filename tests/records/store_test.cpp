// The in-memory store: the first tree, byte-level round trips of every record, the limits of
// the operations, deleting Frames and cases, the repair of hand-deleted files and the
// refusal of damaged files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/paths.h"
#include "store/datastore.h"
#include "store/journal.h"
#include "store_fixture.h"

namespace wf::store::testing {
namespace {

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
int32_t i32(const std::vector<uint8_t>& b, size_t at) { return static_cast<int32_t>(u32(b, at)); }

class RecordStore : public StoreTest {
 protected:
  // A store with the first tree, a second Dir "B" with Frames "b0", "b1", "b2" and two cases
  // in Frame 0 of Dir 0.
  void make_tree() {
    ASSERT_EQ(kLoadCreated, load_store(false));
    ASSERT_EQ(1, new_dir("B"));
    for (const char* name : {"b0", "b1", "b2"}) {
      set_test_time(2017, 3, 3, 10, 0, name[1] - '0');
      ASSERT_GE(new_frame(1, name).frame, 0);
    }
    for (int k = 0; k < 2; ++k) {
      set_test_time(2017, 4, 1, 8, 0, k);
      Position p = new_case(0, 0, k ? "second" : "first", new_stamp(kKindCase));
      ASSERT_EQ(k, p.kase);
    }
  }
  std::string frame_path(int dir, int frame) { return object_path(frame_record(dir, frame)->own); }
  std::string case_path(int dir, int frame, int k) {
    return object_path(case_record(dir, frame, k)->own);
  }
};

TEST_F(RecordStore, FirstLoadCreatesTheTreeWithItsThreeJournalRecords) {
  ASSERT_EQ(kLoadCreated, load_store(false));
  const std::string root = kLocalDataRoot;
  for (const char* folder : {"0\\frame", "0\\timeline", "1\\object", "1\\pass", "1\\who", "1\\where",
                             "1\\when", "1\\what", "1\\why", "1\\result", "1\\jpg"})
    EXPECT_TRUE(std::filesystem::is_directory(platform::native_path(root + folder))) << folder;

  ASSERT_EQ(1, dir_count());
  EXPECT_STREQ("工作台", g_store.root.dir_names[0]);
  ASSERT_EQ(1, frame_count(0));
  EXPECT_STREQ("我的白板", frame_record(0, 0)->name);

  std::vector<ChangeRecord> log = journal_entries();
  ASSERT_EQ(3u, log.size());
  EXPECT_EQ(kOpNew, log[0].op);
  EXPECT_EQ(kClassDir, log[0].cls);
  EXPECT_EQ(kDirRecordSize, log[0].content_size + 0u);
  EXPECT_STREQ("工作台", log[0].dir_name);
  EXPECT_EQ(kOpNew, log[1].op);
  EXPECT_EQ(kClassFrame, log[1].cls);
  EXPECT_EQ(kFrameRecordSize, log[1].content_size + 0u);
  EXPECT_STREQ("我的白板", log[1].frame_name);
  EXPECT_TRUE(same_object(log[1].stamp, frame_record(0, 0)->own));
  EXPECT_EQ(kOpItemCount, log[2].op);
  EXPECT_EQ(kClassDir, log[2].cls);
  EXPECT_EQ(1u, u32(std::vector<uint8_t>(log[2].data, log[2].data + 4), 0));

  // The files have exactly the sizes and fields of their layouts.
  std::vector<uint8_t> rootb = file_bytes(root_file_path());
  ASSERT_EQ(kRootRecordSize, rootb.size());
  EXPECT_EQ(1u, u32(rootb, kRootDirCount));
  EXPECT_EQ(0, std::memcmp(rootb.data() + kRootDirNames, "工作台", 7));
  EXPECT_EQ(kKindDir, rootb[kRootDirStamps]);
  std::vector<uint8_t> dirb = file_bytes(dir_file_path(g_store.root.dir_stamps[0]));
  ASSERT_EQ(kDirRecordSize, dirb.size());
  EXPECT_EQ(1u, u32(dirb, kDirFrameCount));
  EXPECT_EQ(0, std::memcmp(dirb.data() + kDirFrameStamps, &frame_record(0, 0)->own, 16));
  std::vector<uint8_t> frameb = file_bytes(frame_path(0, 0));
  ASSERT_EQ(kFrameRecordSize, frameb.size());
  EXPECT_EQ(kFrameRecordSize, u32(frameb, kFrameSize));
  EXPECT_EQ(-1, i32(frameb, kFrameMinusOneA));
  EXPECT_EQ(-1, i32(frameb, kFrameMinusOneB));
  EXPECT_EQ(0, std::memcmp(frameb.data() + kFrameOwnStamp, frameb.data() + kFrameSavedStamp, 16));
  EXPECT_EQ(0u, u32(frameb, kFrameCaseCount));
  EXPECT_EQ(3 * kChangeRecordSize, static_cast<size_t>(stored_length(journal_path())));
  EXPECT_EQ(0, std::memcmp(file_bytes(journal_path()).data(), log.data(), 3 * kChangeRecordSize));
}

TEST_F(RecordStore, StoreFreedAndLoadedAgainHoldsTheSameRecords) {
  make_tree();
  CaseRecord* c = case_record(0, 0, 1);
  c->x = -40;
  c->y = 77;
  c->skin = 3;
  std::strcpy(c->text, "hello\n**img:00\n");
  ASSERT_EQ(0, save_case(0, 0, 1));
  frame_record(1, 2)->origin_x = 500;
  ASSERT_EQ(0, save_frame(1, 2));
  ASSERT_EQ(0, rename_frame(1, 1, "renamed"));

  RootRecord root = g_store.root;
  std::vector<DirRecord> dirs = {*dir_record(0), *dir_record(1)};
  std::vector<FrameRecord> frames;
  for (auto [d, f] : {std::pair{0, 0}, {1, 0}, {1, 1}, {1, 2}}) frames.push_back(*frame_record(d, f));
  std::vector<CaseRecord> cases = {*case_record(0, 0, 0), *case_record(0, 0, 1)};

  forget_all();
  ASSERT_EQ(0, load_store(false));
  EXPECT_EQ(0, std::memcmp(&root, &g_store.root, sizeof root));
  EXPECT_EQ(0, std::memcmp(&dirs[0], dir_record(0), sizeof(DirRecord)));
  EXPECT_EQ(0, std::memcmp(&dirs[1], dir_record(1), sizeof(DirRecord)));
  int i = 0;
  for (auto [d, f] : {std::pair{0, 0}, {1, 0}, {1, 1}, {1, 2}})
    EXPECT_EQ(0, std::memcmp(&frames[i++], frame_record(d, f), sizeof(FrameRecord))) << d << f;
  EXPECT_EQ(0, std::memcmp(&cases[0], case_record(0, 0, 0), sizeof(CaseRecord)));
  EXPECT_EQ(0, std::memcmp(&cases[1], case_record(0, 0, 1), sizeof(CaseRecord)));
  EXPECT_STREQ("renamed", frame_record(1, 1)->name);
  EXPECT_EQ(nullptr, case_record(1, 0, 0));  // Frames without cases hold no case slots
  EXPECT_EQ(nullptr, g_store.dirs[1].cases[0].get());
}

TEST_F(RecordStore, NewCaseWritesItsFileAndTheFrameList) {
  ASSERT_EQ(kLoadCreated, load_store(false));
  Stamp s = new_stamp(kKindCase);
  Position p = new_case(0, 0, "title", s);
  ASSERT_EQ(0, p.kase);
  const CaseRecord* c = case_record(0, 0, 0);
  EXPECT_NE(0, c->own.serial);  // given by the timeline
  EXPECT_EQ(c->own.serial, frame_record(0, 0)->case_stamps[0].serial);
  std::vector<uint8_t> caseb = file_bytes(object_path(c->own));
  ASSERT_EQ(kCaseRecordSize, caseb.size());
  EXPECT_EQ(kCaseRecordSize, u32(caseb, 0));
  EXPECT_EQ(-1, i32(caseb, kCaseMinusOneA));
  EXPECT_EQ(-1, i32(caseb, kCaseMinusOneB));
  EXPECT_STREQ("title", reinterpret_cast<const char*>(caseb.data() + kCaseTitleField));
  std::vector<uint8_t> frameb = file_bytes(object_path(frame_record(0, 0)->own));
  EXPECT_EQ(1u, u32(frameb, kFrameCaseCount));
  EXPECT_EQ(0, std::memcmp(frameb.data() + kFrameCaseStamps, &c->own, 16));
  std::vector<ChangeRecord> log = journal_entries();
  ASSERT_EQ(5u, log.size());
  EXPECT_EQ(kOpNew, log[3].op);
  EXPECT_EQ(kClassCase, log[3].cls);
  EXPECT_STREQ("title", log[3].title);
  EXPECT_EQ(kOpItemCount, log[4].op);
  EXPECT_EQ(kClassFrame, log[4].cls);
  EXPECT_EQ(1, log[4].data[0]);
}

TEST_F(RecordStore, DirAndFrameLimits) {
  ASSERT_EQ(kLoadCreated, load_store(false));
  EXPECT_EQ(-2, new_dir("123456789012345678901"));  // 21 bytes
  EXPECT_EQ(-2, new_dir(""));
  EXPECT_EQ(-2, new_dir(nullptr));
  EXPECT_EQ(-3, new_dir("工作台"));
  EXPECT_EQ(1, new_dir("12345678901234567890"));  // 20 bytes
  for (int i = 2; i < kMaxDirs; ++i) ASSERT_EQ(i, new_dir(("d" + std::to_string(i)).c_str()));
  EXPECT_EQ(-1, new_dir("one too many"));
  EXPECT_EQ(kMaxDirs, dir_count());
  EXPECT_EQ(5, find_dir("d5"));
  EXPECT_EQ(-1, find_dir("nowhere"));

  EXPECT_EQ(-5, new_frame(0, "我的白板").frame);
  for (int j = 1; j < kMaxFramesPerDir; ++j)
    ASSERT_EQ(j, new_frame(0, ("f" + std::to_string(j)).c_str()).frame);
  EXPECT_EQ(-3, new_frame(0, "f20").frame);
  EXPECT_EQ(-1, new_frame(42, "x").frame);
  EXPECT_EQ(7, find_frame(0, "f7"));
  EXPECT_EQ(-1, find_frame(0, "f99"));

  forget_all();  // the limits hold on the files too
  ASSERT_EQ(0, load_store(false));
  EXPECT_EQ(kMaxDirs, dir_count());
  EXPECT_EQ(kMaxFramesPerDir, frame_count(0));
}

TEST_F(RecordStore, NewCaseRefusedAtOneHundred) {
  ASSERT_EQ(kLoadCreated, load_store(false));
  for (int k = 0; k < kMaxNewCases; ++k) {
    set_test_time(2017, 3, 3, 9, k / 60, k % 60);
    ASSERT_EQ(k, new_case(0, 0, "", new_stamp(kKindCase)).kase);
  }
  EXPECT_EQ(-1, new_case(0, 0, "", new_stamp(kKindCase)).kase);
  EXPECT_EQ(-2, new_case(0, 5, "", new_stamp(kKindCase)).kase);
}

TEST_F(RecordStore, DeletingFrames) {
  make_tree();
  EXPECT_EQ(-2, delete_frame(0, 0));  // the only Frame of Dir 0 stays
  EXPECT_EQ(-1, delete_frame(1, 3));
  const Stamp b2 = frame_record(1, 2)->own;
  const std::string b0_path = frame_path(1, 0);
  ASSERT_EQ(0, delete_frame(1, 0));
  ASSERT_EQ(2, frame_count(1));
  EXPECT_STREQ("b1", frame_record(1, 0)->name);
  EXPECT_STREQ("b2", frame_record(1, 1)->name);
  EXPECT_EQ(nullptr, frame_record(1, 2));
  std::vector<uint8_t> dirb = file_bytes(dir_file_path(g_store.root.dir_stamps[1]));
  EXPECT_EQ(2u, u32(dirb, 0));
  EXPECT_EQ(0, std::memcmp(dirb.data() + 4 + 16, &b2, 16));
  for (size_t i = 4 + 32; i < dirb.size(); ++i) ASSERT_EQ(0, dirb[i]) << i;
  EXPECT_TRUE(std::filesystem::exists(platform::native_path(b0_path)));  // files stay
  ASSERT_EQ(0, delete_frame(1, 0));
  ASSERT_EQ(0, delete_frame(1, 0));  // the only Frame of another Dir may go
  EXPECT_EQ(0, frame_count(1));
  EXPECT_EQ(-1, delete_frame(1, 0));
  EXPECT_EQ(-2, save_frame(1, 0));
  // The Frames were never synced: their deletes cancel the pending new entries, and the
  // Dir's modifications merge into one.
  int frame_news = 0, dir_modifies = 0;
  for (const ChangeRecord& r : journal_entries()) {
    if (r.cls == kClassFrame) {
      EXPECT_NE(kOpDelete, r.op);
      frame_news += r.op == kOpNew;
    }
    dir_modifies += r.cls == kClassDir && r.op == kOpModify;
  }
  EXPECT_EQ(1, frame_news);  // the first Dir's Frame
  EXPECT_EQ(1, dir_modifies);
}

TEST_F(RecordStore, DeletingCasesAndMovingThemBetweenFrames) {
  make_tree();
  const Stamp first = case_record(0, 0, 0)->own;
  ASSERT_EQ(0, delete_case(0, 0, 0));
  ASSERT_EQ(1, case_count(0, 0));
  EXPECT_STREQ("second", case_record(0, 0, 0)->title);
  EXPECT_EQ(nullptr, case_record(0, 0, 1));
  std::vector<uint8_t> frameb = file_bytes(frame_path(0, 0));
  EXPECT_EQ(1u, u32(frameb, kFrameCaseCount));
  int index = timeline_find(first);
  ASSERT_GE(index, 0);
  MonthTimeline month;
  ASSERT_EQ(0, timeline_month_copy(2017, 4, &month));
  EXPECT_EQ(kKindCase + kKindRemoved, month.entries[index].kind);

  std::unique_ptr<CaseRecord> moved;
  ASSERT_EQ(0, take_case(0, 0, 0, &moved));
  ASSERT_NE(nullptr, moved);
  EXPECT_EQ(0, case_count(0, 0));
  EXPECT_EQ(nullptr, g_store.dirs[0].cases[0].get());  // an empty Frame frees its slots
  Position p = put_case(1, 2, std::move(moved));
  EXPECT_EQ(0, p.kase);
  EXPECT_STREQ("second", case_record(1, 2, 0)->title);
  EXPECT_EQ(-2, put_case(1, 7, std::make_unique<CaseRecord>()).kase);
}

TEST_F(RecordStore, ReorderingCasesKeepsIdentitiesWithTheirRecords) {
  make_tree();
  set_test_time(2017, 4, 1, 8, 0, 2);
  ASSERT_EQ(2, new_case(0, 0, "third", new_stamp(kKindCase)).kase);
  const int order[] = {2, 0, 1};
  ASSERT_EQ(0, reorder_cases(0, 0, order, 3));
  const char* titles[] = {"third", "first", "second"};
  for (int k = 0; k < 3; ++k) {
    EXPECT_STREQ(titles[k], case_record(0, 0, k)->title);
    EXPECT_TRUE(same_object(case_record(0, 0, k)->own, frame_record(0, 0)->case_stamps[k]));
  }
  const int twice[] = {0, 0, 1};
  EXPECT_EQ(-1, reorder_cases(0, 0, twice, 3));
  EXPECT_EQ(-1, reorder_cases(0, 0, order, 2));
}

TEST_F(RecordStore, SaveCaseTrimsTheTextAndRefusesAMissingFile) {
  make_tree();
  CaseRecord* c = case_record(0, 0, 0);
  std::memset(c->text, 'q', sizeof c->text);  // no terminator at all
  c->text[3] = 0;
  ASSERT_EQ(0, save_case(0, 0, 0));
  std::vector<uint8_t> b = file_bytes(case_path(0, 0, 0));
  for (size_t i = kCaseText + 3; i < kCaseText + kTextField; ++i) ASSERT_EQ(0, b[i]) << i;
  std::memset(c->text, 'q', sizeof c->text);
  ASSERT_EQ(0, save_case(0, 0, 0));
  EXPECT_EQ(0, c->text[kTextField - 1]);

  const std::string path = case_path(0, 0, 1);
  std::filesystem::remove(platform::native_path(path));
  EXPECT_EQ(-4, save_case(0, 0, 1));
  EXPECT_FALSE(std::filesystem::exists(platform::native_path(path)));
  EXPECT_EQ(-1, save_case(0, 0, 9));
  // Loading the cases keeps the in-memory record whose file has gone.
  EXPECT_EQ(-4, load_cases(0, 0));
  EXPECT_NE(nullptr, case_record(0, 0, 1));
}

TEST_F(RecordStore, MissingFilesFailThePlainLoad) {
  make_tree();
  const std::string frame = frame_path(1, 1);
  const std::string kase = case_path(0, 0, 1);
  const std::string dir = dir_file_path(g_store.root.dir_stamps[1]);
  struct Case {
    std::string path;
    int code;
  };
  for (const Case& c : {Case{kase, kLoadNoCase}, Case{frame, kLoadNoFrame}, Case{dir, kLoadNoDir}}) {
    forget_all();
    std::vector<uint8_t> kept = file_bytes(c.path);
    std::filesystem::remove(platform::native_path(c.path));
    EXPECT_EQ(c.code, load_store(false)) << c.path;
    EXPECT_EQ(0, dir_count());
    put_file_bytes(c.path, kept);
  }
  forget_all();
  EXPECT_EQ(0, load_store(false));
}

TEST_F(RecordStore, RepairRemovesHandDeletedFilesAndKeepsTheRest) {
  make_tree();
  const Stamp b1 = frame_record(1, 1)->own;
  const Stamp b2 = frame_record(1, 2)->own;
  const std::vector<uint8_t> b2_bytes = file_bytes(frame_path(1, 2));
  const Stamp second = case_record(0, 0, 1)->own;
  std::filesystem::remove(platform::native_path(frame_path(1, 1)));
  std::filesystem::remove(platform::native_path(case_path(0, 0, 0)));
  const size_t before = journal_size();

  forget_all();
  ASSERT_EQ(0, load_store(true));
  ASSERT_EQ(2, frame_count(1));
  EXPECT_STREQ("b0", frame_record(1, 0)->name);
  EXPECT_STREQ("b2", frame_record(1, 1)->name);
  EXPECT_TRUE(same_object(b2, dir_record(1)->frame_stamps[1]));
  EXPECT_EQ(b2_bytes, file_bytes(object_path(b2)));
  ASSERT_EQ(1, case_count(0, 0));
  EXPECT_TRUE(same_object(second, case_record(0, 0, 0)->own));
  EXPECT_EQ(1u, u32(file_bytes(frame_path(0, 0)), kFrameCaseCount));
  EXPECT_EQ(2u, u32(file_bytes(dir_file_path(g_store.root.dir_stamps[1])), 0));

  std::vector<ChangeRecord> log = journal_entries();
  ASSERT_EQ(before + 2, log.size());
  EXPECT_EQ(kOpModify, log[before].op);
  EXPECT_EQ(kClassFrame, log[before].cls);
  EXPECT_STREQ("我的白板", log[before].frame_name);
  EXPECT_EQ(kOpModify, log[before + 1].op);
  EXPECT_EQ(kClassDir, log[before + 1].cls);
  EXPECT_STREQ("B", log[before + 1].dir_name);
  int index = timeline_find(b1);
  ASSERT_GE(index, 0);
  MonthTimeline month;
  ASSERT_EQ(0, timeline_month_copy(2017, 3, &month));
  EXPECT_EQ(kKindFrame + kKindRemoved, month.entries[index].kind);

  forget_all();
  EXPECT_EQ(0, load_store(false));  // the repaired tree loads plainly
}

TEST_F(RecordStore, DamagedFilesAreRefusedAndLeftAsTheyAre) {
  make_tree();
  const std::string root = root_file_path();
  const std::string dir = dir_file_path(g_store.root.dir_stamps[1]);
  const std::string frame = frame_path(0, 0);
  const std::string kase = case_path(0, 0, 0);
  struct Case {
    const char* what;
    std::string path;
    size_t keep;          // bytes kept (a shorter file), or 0
    size_t count_at;      // offset of a count to raise, when keep is 0
    uint32_t count;
    int code;
  };
  const Case cases[] = {
      {"short root", root, kRootRecordSize - 1, 0, 0, kLoadShort},
      {"Dir count above 100", root, 0, kRootDirCount, 101, kLoadBadCount},
      {"short Dir", dir, 10, 0, 0, kLoadShort},
      {"Frame count above 100", dir, 0, kDirFrameCount, 101, kLoadBadCount},
      {"short Frame", frame, kFrameRecordSize - 16, 0, 0, kLoadShort},
      {"case count above 1000", frame, 0, kFrameCaseCount, 1001, kLoadBadCount},
      {"short case", kase, 100, 0, 0, kLoadShort},
      {"association count above 40", kase, 0, kCaseDown, 41, kLoadBadCount},
      {"map signs above 60", kase, 0, kCaseMapSignCount, 61, kLoadBadCount},
  };
  for (const Case& c : cases) {
    for (bool repair : {false, true}) {
      forget_all();
      const std::vector<uint8_t> good = file_bytes(c.path);
      std::vector<uint8_t> bad = good;
      if (c.keep) {
        bad.resize(c.keep);
      } else {
        std::memcpy(bad.data() + c.count_at, &c.count, c.count_at == kCaseMapSignCount ? 2 : 4);
      }
      put_file_bytes(c.path, bad);
      EXPECT_EQ(c.code, load_store(repair)) << c.what << " repair " << repair;
      EXPECT_EQ(bad, file_bytes(c.path)) << c.what;
      EXPECT_EQ(nullptr, frame_record(0, 0));
      put_file_bytes(c.path, good);
    }
  }
  forget_all();
  EXPECT_EQ(0, load_store(false));
}

TEST_F(RecordStore, LocalAccountReportHook) {
  static int calls[2];
  calls[0] = calls[1] = 0;
  set_load_report_hook([](int is_new) { calls[is_new]++; });
  ASSERT_EQ(kLoadCreated, load_store(false));
  forget_all();
  ASSERT_EQ(0, load_store(false));
  g_store.local_account = false;
  forget_all();
  ASSERT_EQ(0, load_store(false));
  set_load_report_hook(nullptr);
  EXPECT_EQ(1, calls[1]);
  EXPECT_EQ(1, calls[0]);
}

}  // namespace
}  // namespace wf::store::testing
