// The desktop's file-list forms: escapes both ways, foreign schemes and hosts skipped,
// malformed escapes refused, and the copied-files form with its drop effect.
#include <gtest/gtest.h>

#include "platform/clipboard_uri.h"

namespace wf::platform {
namespace {

TEST(UriList, ReadsLocalFilesOnly) {
  struct Case {
    const char* text;
    std::vector<std::string> paths;
  } cases[] = {
      {"file:///tmp/a%20b.png\r\nfile:///x\r\n", {"/tmp/a b.png", "/x"}},
      {"# comment\nfile://localhost/y\n", {"/y"}},
      {"http://host/z\nfile://otherhost/z\nfile:/bad\n", {}},
      {"file:///bad%2\nfile:///bad%zz\nfile:///nul%00\nfile:///ok%e6%96%87", {"/ok\xe6\x96\x87"}},
      {"", {}},
      {"file:///end%", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(parse_uri_list(c.text), c.paths) << c.text;
  // A raw zero byte inside a line refuses that line only.
  EXPECT_EQ(parse_uri_list(std::string("file:///a\0b\nfile:///c", 21)),
            std::vector<std::string>{"/c"});
}

TEST(UriList, WritesWhatItReadsBack) {
  std::vector<std::string> paths = {"/tmp/a b#c%.png", "/home/u/\xe6\x96\x87\xe4\xbb\xb6"};
  std::string list = make_uri_list(paths);
  EXPECT_EQ(list.substr(0, 30), "file:///tmp/a%20b%23c%25.png\r\n");
  EXPECT_EQ(parse_uri_list(list), paths);

  std::vector<std::string> back;
  EXPECT_EQ(parse_copied_files(make_copied_files(paths, 2), &back), 2);
  EXPECT_EQ(back, paths);
  EXPECT_EQ(make_copied_files({"/a"}, 1), "copy\nfile:///a");
  EXPECT_EQ(parse_copied_files("move\nfile:///a", &back), -1);
  EXPECT_EQ(parse_copied_files("copy", &back), 1);
  EXPECT_TRUE(back.empty());
}

}  // namespace
}  // namespace wf::platform
