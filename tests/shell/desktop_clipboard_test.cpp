// The desktop clipboard between two programs on one X display: another program puts text, a
// picture or a file list, and the reader here gets it through the desktop selection (the
// holder serves, this side fetches). Skipped without a display; CTest runs it on a virtual
// X server.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/clipboard.h"
#include "platform/clipboard_uri.h"
#include "platform/process.h"
#include "shell/clipboard.h"
#include "shell_test_support.h"

extern char** environ;

namespace wf::shell {
namespace {

class DesktopClipboard : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
    platform::clipboard_use_desktop(true);
  }
  // Starts the holder with one kind and waits until it has put it.
  void hold(const char* kind) {
    std::filesystem::remove(store_.folder.path + "/ready");
    std::filesystem::remove(store_.folder.path + "/stop");
    std::string folder = store_.folder.path;
    char* argv[] = {const_cast<char*>(WF_CLIP_HOLDER), folder.data(), const_cast<char*>(kind),
                    nullptr};
    ASSERT_EQ(posix_spawn(&holder_, WF_CLIP_HOLDER, nullptr, nullptr, argv, environ), 0);
    while (!std::filesystem::exists(folder + "/ready")) std::this_thread::yield();
  }
  void TearDown() override {
    if (holder_ > 0) {
      std::ofstream(store_.folder.path + "/stop") << "1";
      EXPECT_EQ(platform::wait_process(holder_), 0);
    }
  }
  testing::StoreFolder store_;
  testing::HeadlessWindow window_;
  pid_t holder_ = 0;
};

TEST_F(DesktopClipboard, TextFromAnotherProgram) {
  hold("text");
  ClipboardRead r = read_clipboard();
  EXPECT_EQ(r.kind, kClipText);
  EXPECT_EQ(r.data, "\xC4\xE3\xBA\xC3 desk");
}

TEST_F(DesktopClipboard, PictureFromAnotherProgramBecomesAStorePicture) {
  hold("picture");
  ASSERT_EQ(platform::clipboard_open(), 0);
  platform::ClipBitmap b;
  ASSERT_EQ(platform::clipboard_get_bitmap(&b), 0);
  platform::clipboard_close();
  EXPECT_EQ(b.width, 3);
  EXPECT_EQ(b.height, 2);
  EXPECT_EQ(b.bits[0], 0x10);
  EXPECT_EQ(b.bits[1], 0x20);
  EXPECT_EQ(b.bits[2], 0x30);
  EXPECT_EQ(read_clipboard().kind, kClipPicture);
}

TEST_F(DesktopClipboard, FilesFromAnotherProgramKeepTheirDropEffect) {
  hold("cut");
  ClipboardRead r = read_clipboard();
  EXPECT_EQ(r.kind, kClipFiles);
  EXPECT_EQ(r.data, "/tmp/one file.png\n/tmp/two\n");
  ASSERT_EQ(platform::clipboard_open(), 0);
  int32_t effect = 0;
  EXPECT_EQ(platform::clipboard_get_drop_effect(&effect), 0);
  platform::clipboard_close();
  EXPECT_EQ(effect, 2);
}

TEST_F(DesktopClipboard, OwnContentStaysReadableAfterPutting) {
  ASSERT_EQ(put_text(kClipFormatText, 4, "mine"), kPutOk);
  EXPECT_EQ(read_clipboard().data, "mine");
}

}  // namespace
}  // namespace wf::shell
