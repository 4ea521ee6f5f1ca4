// Processes and the temp folder of the platform layer: counting by image name, starting and
// waiting, a missing program, and the temp folder that refuses a planted entry.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/open.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/tempdir.h"
#include "shell/globals.h"
#include "shell/shell.h"
#include "shell_test_support.h"

namespace wf::platform {
namespace {

TEST(Process, CountsByExactImageName) {
  // This test program itself runs under its own name; other names and a different case do
  // not match.
  EXPECT_GE(process_count("shell_tests"), 1);
  EXPECT_EQ(process_count("Shell_tests"), 0);
  EXPECT_EQ(process_count("shell_test"), 0);
  EXPECT_EQ(process_count(""), 0);
  EXPECT_EQ(process_count(nullptr), 0);
}

TEST(Process, StartsWaitsAndReportsExitCodes) {
  shell::testing::TempFolder tmp;
  const std::string script = tmp.path + "/exit3";
  {
    std::ofstream out(script);
    out << "#!/bin/sh\nexit 3\n";
  }
  chmod(script.c_str(), 0700);
  EXPECT_EQ(run_process(script.c_str()), 3);
  EXPECT_EQ(run_process((tmp.path + "/missing").c_str()), kSpawnFailed);
  EXPECT_EQ(run_process(""), kSpawnFailed);
  EXPECT_EQ(wait_process(999999999), kWaitFailed);
}

TEST(Process, MissingUpdateAndCaptureProgramsAreIgnored) {
  shell::testing::TempFolder tmp;
  set_program_folder(tmp.path);
  EXPECT_EQ(shell::start_update_program(), kSpawnFailed);
  shell::g_shell.run_state = shell::RUN_CAPTURE;
  shell::run_capture_program();
  EXPECT_EQ(shell::g_shell.run_state, shell::RUN_RETURNED);

  // A capture program that exists is waited for before the RunState changes.
  const std::string capture = tmp.path + "/cs02_.crth";
  {
    std::ofstream out(capture);
    out << "#!/bin/sh\necho ran > \"$(dirname \"$0\")/ran\"\n";
  }
  chmod(capture.c_str(), 0700);
  shell::g_shell.run_state = shell::RUN_CAPTURE;
  shell::run_capture_program();
  EXPECT_EQ(shell::g_shell.run_state, shell::RUN_RETURNED);
  EXPECT_TRUE(std::filesystem::exists(tmp.path + "/ran"));
  shell::g_shell.run_state = shell::RUN_ACTIVE;
}

// The desktop's opener is looked up on the PATH; a stand-in records what it was given.
TEST(Open, HandsTheTargetToTheDesktopOpener) {
  shell::testing::TempFolder tmp;
  const std::string opener = tmp.path + "/xdg-open";
  {
    std::ofstream out(opener);
    out << "#!/bin/sh\nPATH=/usr/bin:/bin\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/opened.tmp\"\n"
        << "mv \"$(dirname \"$0\")/opened.tmp\" \"$(dirname \"$0\")/opened\"\n";
  }
  chmod(opener.c_str(), 0700);
  const std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", tmp.path.c_str(), 1);
  EXPECT_EQ(open_with_desktop("/tmp/a picture.png"), 0);
  EXPECT_EQ(open_with_desktop(""), -1);
  setenv("PATH", "/nonexistent", 1);
  EXPECT_EQ(open_with_desktop("http://example.invalid/"), -1);
  setenv("PATH", saved.c_str(), 1);
  for (int i = 0; i < 5000000 && !std::filesystem::exists(tmp.path + "/opened"); ++i)
    std::this_thread::yield();
  std::ifstream in(tmp.path + "/opened");
  std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(got, "/tmp/a picture.png");
}

TEST(TempFolder, MadeOnceAndNeverTakenFromSomeoneElse) {
  shell::testing::TempFolder tmp;
  set_system_temp_folder(tmp.path);
  ASSERT_EQ(prepare_temp_folder(), 0);
  EXPECT_EQ(temp_folder(), tmp.path + "/Wrenfield/");
  struct stat st;
  ASSERT_EQ(stat((tmp.path + "/Wrenfield").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(prepare_temp_folder(), 0);  // an existing folder of ours is fine

  // A link planted under the name is not followed.
  shell::testing::TempFolder other;
  set_system_temp_folder(other.path);
  std::filesystem::create_directory_symlink(tmp.path, other.path + "/Wrenfield");
  ASSERT_EQ(prepare_temp_folder(), 0);
  EXPECT_EQ(temp_folder(), other.path + "/Wrenfield-" + std::to_string(geteuid()) + "/");
  set_system_temp_folder("");
}

}  // namespace
}  // namespace wf::platform
