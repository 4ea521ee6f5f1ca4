// The text helpers and the system facts of the web utilities.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/utsname.h>

#include <cstdio>
#include <cstring>

#include "web/web.h"

namespace wf::web {
namespace {

TEST(IsWebLink, TakesTheFirstFourLettersInAnyCase) {
  struct Case {
    const char* text;
    int link;
  } cases[] = {{"http://a", 1}, {"HTTPS://b", 1}, {"hTtP", 1}, {"htt", 0},
               {"ftp://x", 0},  {" http", 0},     {"", 0}};
  for (const Case& c : cases) EXPECT_EQ(is_web_link(c.text), c.link) << c.text;
  EXPECT_EQ(is_web_link(nullptr), 0);
}

TEST(WideToAnsi, FitsWholeCharactersAndTerminates) {
  struct Case {
    const char16_t* wide;
    int size;
    std::string expected;
  } cases[] = {
      {u"工作台", 7, "工作台"},
      {u"工作台", 6, "工作"},     // the third character does not fit with its terminator
      {u"a工", 3, "a"},           // never half of a two-byte character
      {u"abc", 1, ""},
      {u"", 8, ""},
  };
  for (const Case& c : cases) {
    char dest[16];
    std::memset(dest, 'Z', sizeof dest);
    EXPECT_EQ(wide_to_ansi(dest, c.wide, c.size), dest);
    EXPECT_EQ(std::string(dest), c.expected);
    EXPECT_EQ(dest[c.size], 'Z');  // nothing written past the size
  }
  char untouched = 'Z';
  wide_to_ansi(&untouched, u"x", 0);
  EXPECT_EQ(untouched, 'Z');
}

TEST(SystemFacts, VersionCodeAndLocalAddress) {
  utsname about{};
  ASSERT_EQ(uname(&about), 0);
  int major = 0, minor = 0;
  ASSERT_EQ(std::sscanf(about.release, "%d.%d", &major, &minor), 2);
  EXPECT_EQ(system_version_code(), major * 10 + minor);

  LocalAddress local{};
  int code = local_address(&local);
  ASSERT_TRUE(code == 0 || code == kLocalNotResolved) << code;
  EXPECT_GT(std::strlen(local.host_name), 0u);
  EXPECT_EQ(std::string(last_local_address().host_name), local.host_name);
  if (code == 0) {
    in_addr parsed{};
    EXPECT_EQ(inet_pton(AF_INET, local.address, &parsed), 1) << local.address;
  }
}

}  // namespace
}  // namespace wf::web
