// The web utilities over HTTP against the tests' own loopback server: titles, markers and
// the public address, downloads and their codes, bounded waits, and parallel fetches.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/web/test_server.h"
#include "web/web.h"

namespace wf::web {
namespace {

using testing::Reply;
using testing::TestServer;
namespace fs = std::filesystem;

std::string utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

Reply page(const std::string& body, std::size_t piece = 0) {
  Reply r;
  r.body = body;
  r.piece = piece;
  return r;
}

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

class WebFetch : public ::testing::Test {
 protected:
  void SetUp() override {
    // The server is on loopback; a proxy from the environment must not stand in between.
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                             "all_proxy", "ALL_PROXY"})
      ::unsetenv(name);
    root_ = fs::temp_directory_path() /
            ("wf_web_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "temp");
    set_temp_folder((root_ / "temp").string());
  }
  void TearDown() override {
    set_fetch_limits(FetchLimits{});
    fs::remove_all(root_);
  }
  std::string target(const std::string& name) const { return (root_ / name).string(); }
  bool temp_is_empty() const { return fs::is_empty(root_ / "temp"); }

  TestServer server_;
  fs::path root_;
};

TEST_F(WebFetch, PageTitleOverHttp) {
  // The body arrives in 100-byte writes: passes still cut at 2048 + 2048 bytes.
  server_.set("/utf8", page(utf8(u8"<meta charset=UTF-8><title>工作台\t便签</title>"), 100));
  std::string split(6000, 'x');
  split.replace(4090, 20, "<title>split</title>");
  server_.set("/split", page(split, 100));
  Reply moved;
  moved.status = 302;
  moved.headers = "Location: /utf8\r\n";
  server_.set("/moved", moved);

  EXPECT_EQ(page_title(server_.url("/utf8").c_str()), std::string("工作台 便签"));
  EXPECT_EQ(page_title(server_.url("/split").c_str()), std::nullopt);
  EXPECT_EQ(page_title(server_.url("/moved").c_str()), std::string("工作台 便签"));
  // A link with Chinese text and a blank in it is asked for as escaped UTF-8.
  server_.set("/%E5%B7%A5%E4%BD%9C%20a", page("<title>escaped</title>"));
  EXPECT_EQ(page_title(server_.url("/工作 a").c_str()), std::string("escaped"));
  // An error page is still a page with a title.
  EXPECT_EQ(page_title(server_.url("/nothing").c_str()), std::string("missing"));
  std::string refused = "http://127.0.0.1:" + std::to_string(testing::closed_port()) + "/";
  EXPECT_EQ(page_title(refused.c_str()), std::nullopt);
  EXPECT_EQ(page_title("ftp://127.0.0.1/"), std::nullopt);
  EXPECT_EQ(page_title(nullptr), std::nullopt);
}

TEST_F(WebFetch, LargeAndEmptyPages) {
  std::string big(8 << 20, 'x');  // 8 MiB: read only up to the page limit
  big.replace(100, 19, "<title>head</title>");
  server_.set("/big", page(big));
  server_.set("/empty", page(""));
  EXPECT_EQ(page_title(server_.url("/big").c_str()), std::string("head"));
  EXPECT_EQ(page_title(server_.url("/empty").c_str()), std::nullopt);
}

TEST_F(WebFetch, ASilentServerIsAbandoned) {
  FetchLimits quick;
  quick.connect_seconds = 1;
  quick.low_speed_seconds = 1;
  quick.total_seconds = 2;
  set_fetch_limits(quick);
  Reply silent;
  silent.silent = true;
  server_.set("/silent", silent);
  EXPECT_EQ(page_title(server_.url("/silent").c_str()), std::nullopt);
  EXPECT_EQ(download_file(target("quiet.png").c_str(), server_.url("/silent").c_str()),
            kDownloadUrlFailed);
  EXPECT_FALSE(fs::exists(target("quiet.png")));
}

TEST_F(WebFetch, PublicAddressPrefersRowZeroAndKeepsTheLastGoodOne) {
  server_.set("/row0", page("Your address \n203.0.113.7 (IPv4)\n"));
  server_.set("/row1", page("<p>IP: <font color=green>198.51.100.2</font></p>"));
  server_.set("/junk", page("Your address \nnot-an-address here"));
  std::string refused = "http://127.0.0.1:" + std::to_string(testing::closed_port()) + "/";

  EXPECT_EQ(text_between(server_.url("/row0").c_str(), " \n", " "), std::string("203.0.113.7"));
  EXPECT_EQ(text_between(server_.url("/row1").c_str(), "=green>", "</font>"),
            std::string("198.51.100.2"));

  struct Step {
    std::string row0, row1;
    const char* expected;
  } steps[] = {
      {server_.url("/row0"), server_.url("/row1"), "203.0.113.7"},
      {refused, server_.url("/row1"), "198.51.100.2"},   // fallback to row 1
      {server_.url("/junk"), server_.url("/row1"), "198.51.100.2"},
      {server_.url("/row0"), refused, "203.0.113.7"},
      {refused, refused, "203.0.113.7"},                 // the last good address stays
  };
  for (const Step& s : steps) {
    ASSERT_EQ(set_echo_page(0, s.row0.c_str(), " \n", " "), 0);
    ASSERT_EQ(set_echo_page(1, s.row1.c_str(), "=green>", "</font>"), 0);
    EXPECT_EQ(public_address_lookup(), 0);
    EXPECT_EQ(public_address(), s.expected) << s.row0 << " / " << s.row1;
  }
  EXPECT_EQ(set_echo_page(0, (server_.url("/") + std::string(40, 'a')).c_str(), "a", "b"), -1);
  EXPECT_EQ(set_echo_page(3, "http://x/", "a", "b"), -1);
  for (int row = 0; row < kEchoRows; ++row)
    set_echo_page(row, kEchoPages[row].url, kEchoPages[row].start, kEchoPages[row].end);
}

TEST_F(WebFetch, DownloadWritesTheTargetOnlyWhenComplete) {
  std::string picture(10000, '\0');
  for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<char>(i * 7);
  server_.set(kPinPicturePath, page(picture, 999));
  set_file_server(server_.url(""));
  EXPECT_EQ(download_file(target("taci.cfg").c_str(), file_server_url(kPinPicturePath).c_str()),
            0);
  set_file_server("");
  EXPECT_EQ(file_server_url(kPinPicturePath), std::string(kFileServer) + kPinPicturePath);
  EXPECT_EQ(read_file(target("taci.cfg")), picture);
  EXPECT_TRUE(temp_is_empty());

  // An existing target is kept and nothing is requested.
  int before = server_.requests();
  EXPECT_EQ(download_file(target("taci.cfg").c_str(), server_.url("/attach/taci.cfg").c_str()),
            kDownloadExists);
  EXPECT_EQ(server_.requests(), before);
}

TEST_F(WebFetch, DownloadFailuresLeaveNoTarget) {
  server_.set("/file", page("contents"));
  Reply cut = page(std::string(5000, 'c'));
  cut.cut_short = true;
  server_.set("/cut", cut);
  std::string refused = "http://127.0.0.1:" + std::to_string(testing::closed_port()) + "/";

  struct Case {
    std::string target;
    std::string url;
    int code;
  } cases[] = {
      {target("a.png"), refused, kDownloadUrlFailed},
      {target("b.png"), server_.url("/missing"), kDownloadUrlFailed},  // 404 page
      {target("c.png"), server_.url("/cut"), kDownloadTransferFailed},
      {target("no/such/folder/d.png"), server_.url("/file"), kDownloadTargetCreate},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(download_file(c.target.c_str(), c.url.c_str()), c.code) << c.url;
    EXPECT_FALSE(fs::exists(c.target)) << c.target;
    EXPECT_TRUE(temp_is_empty());
  }

  set_temp_folder((root_ / "gone").string());
  EXPECT_EQ(download_file(target("e.png").c_str(), server_.url("/file").c_str()),
            kDownloadTempCreate);
  EXPECT_FALSE(fs::exists(target("e.png")));
}

TEST_F(WebFetch, ParallelTitleFetchesKeepTheirOwnResults) {
  constexpr int kThreads = 8;
  for (int i = 0; i < kThreads; ++i) {
    std::string body(3000 + 500 * i, 'p');
    body.replace(100 * i, 0, "<title>page " + std::to_string(i) + "</title>");
    server_.set("/p" + std::to_string(i), page(body, 333));
  }
  std::vector<std::optional<std::string>> got(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back([&, i] { got[i] = page_title(server_.url("/p" + std::to_string(i)).c_str()); });
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < kThreads; ++i) EXPECT_EQ(got[i], "page " + std::to_string(i));
}

}  // namespace
}  // namespace wf::web
