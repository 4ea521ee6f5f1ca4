// The one-second ticker's auto-save pass: a changed case reaches its file and the journal
// within one tick at period 1, once; nothing is saved while a whiteboard loads.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/paths.h"
#include "shell/frame_loop.h"
#include "shell/globals.h"
#include "shell_test_support.h"
#include "store/journal.h"
#include "store/records.h"

namespace wf::shell {
namespace {

using testing::FakeWidget;
using testing::StoreFolder;

struct AutosaveDesk {
  testing::FakeBoard b;
  testing::FakeBoard& board() { return b; }
};

class Autosave : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::reset_shell_state();
    store::g_store.cur_dir = 0;
    store::g_store.cur_frame = 0;
    store::Stamp st = store::new_stamp(store::kKindCase);
    for (int i = 0; i < 2; ++i) {
      store::Position p = store::new_case(0, 0, "case", st);
      ASSERT_EQ(p.kase, i);
      widgets_[i].pos_ = p;
      desk_.b.widgets[i] = &widgets_[i];
      desk_.b.order[i] = i;
    }
    desk_.b.order_count = 2;
    desk_.b.origin_x = 100;
    desk_.b.origin_y = 50;
    store::journal_delete();
  }

  // The x position stored in the case's file on disk.
  int32_t x_on_disk(int kase) {
    const store::CaseRecord* rec = store::case_record(0, 0, kase);
    std::string path = platform::native_path(store::object_path(rec->own));
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int32_t x = 0;
    if (bytes.size() >= store::kCaseRecordSize) std::memcpy(&x, bytes.data() + store::kCaseX, 4);
    return x;
  }

  StoreFolder store_;
  FakeWidget widgets_[2];
  AutosaveDesk desk_;
};

TEST_F(Autosave, ChangedCaseIsWrittenOnceWithOneModifyRecord) {
  widgets_[1].x_ = 400;
  widgets_[1].y_ = 300;
  widgets_[1].modified_ = 1;
  EXPECT_EQ(one_second_tick(desk_), 1);
  EXPECT_EQ(widgets_[1].modified_, 0);
  EXPECT_EQ(x_on_disk(1), 300);   // 400 - origin 100
  EXPECT_EQ(store::case_record(0, 0, 1)->y, 250);
  auto log = store::journal_entries();
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].op, store::kOpModify);
  EXPECT_EQ(log[0].cls, store::kClassCase);
  EXPECT_EQ(g_shell.save_counter, 0);
  // Nothing changed since: the next pass writes nothing.
  EXPECT_EQ(one_second_tick(desk_), 0);
  EXPECT_EQ(store::journal_size(), 1u);
}

TEST_F(Autosave, WaitsWhileLoadingAndRunsAsSoonAsLoaded) {
  widgets_[0].x_ = 222;
  widgets_[0].modified_ = 1;
  set_progress(50.0f);
  EXPECT_EQ(one_second_tick(desk_), -1);
  EXPECT_EQ(one_second_tick(desk_), -1);
  EXPECT_EQ(widgets_[0].modified_, 1);
  EXPECT_EQ(store::journal_size(), 0u);
  EXPECT_EQ(g_shell.save_counter, 2);  // keeps counting
  set_progress(100.0f);
  EXPECT_EQ(one_second_tick(desk_), 1);
  EXPECT_EQ(x_on_disk(0), 122);
}

TEST_F(Autosave, PeriodAndMissingFrameDelayThePass) {
  widgets_[0].modified_ = 1;
  g_shell.autosave_period = 3;
  EXPECT_EQ(one_second_tick(desk_), 0);
  EXPECT_EQ(one_second_tick(desk_), 0);
  EXPECT_EQ(widgets_[0].modified_, 1);
  store::g_store.cur_frame = 7;  // no such Frame
  EXPECT_EQ(one_second_tick(desk_), -1);
  store::g_store.cur_frame = 0;
  EXPECT_EQ(one_second_tick(desk_), 1);
}

}  // namespace
}  // namespace wf::shell
