// The pass scanners on bytes in memory: the charset decision, titles and markers within one
// pass, the pass boundaries, and pages that are broken or too large.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "web/page_scan.h"
#include "web/web.h"

namespace wf::web {
namespace {

std::string utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

struct Memory {
  std::string data;
  std::size_t at = 0;
  static std::size_t read(void* self, char* into, std::size_t want) {
    auto* m = static_cast<Memory*>(self);
    std::size_t n = std::min(want, m->data.size() - m->at);
    std::memcpy(into, m->data.data() + m->at, n);
    m->at += n;
    return n;
  }
};

std::optional<std::string> title_of(const std::string& page) {
  Memory m{page};
  return scan_passes(ByteSource{Memory::read, &m}, kTitleStart, kTitleEnd);
}

// A page of `size` filler bytes with `insert` placed at `offset`.
std::string page_with(std::size_t size, std::size_t offset, const std::string& insert) {
  std::string page(size, 'x');
  page.replace(offset, insert.size(), insert);
  return page;
}

TEST(CharsetDecision, FollowsTheFirstDeclaration) {
  struct Case {
    const char* text;
    int utf8;
  } cases[] = {
      {"<meta charset=UTF-8>", 1},
      {"<meta charset=\"utf-8\">", 1},
      {"charset=utf-8 ... charset=gbk", 1},
      {"charset=gbk ... charset=utf-8", 0},
      {"charset=\"GB2312\" charset=UTF-8", 0},
      {"charset=gb2312 charset=\"UTF-8\"", 0},
      {"charset=UTF-8 then charset=GB2312", 1},
      // The upper-case GBK tag counts like the others: UTF-8 declared first wins.
      {"charset=UTF-8 then charset=GBK", 1},
      {"charset=GBK then charset=UTF-8", 0},
      {"no declaration at all", 0},
      {"charset=Utf-8 is not a tag", 0},
      {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(pass_is_utf8(c.text), c.utf8) << c.text;
}

TEST(PageTitle, DecodesAndCleansTheTitle) {
  struct Case {
    std::string page;
    std::optional<std::string> title;
  } cases[] = {
      {utf8(u8"<meta charset=UTF-8><title>工作台</title>"), std::string("工作台")},
      {"<meta charset=gbk>" + std::string("<title>工作台</title>") + "charset=utf-8",
       std::string("工作台")},
      {std::string("<title>工作台</title>"), std::string("工作台")},
      {"<title>a\tb\nc\r\x1f" "d</title>", std::string("a b c  d")},
      {"<TITLE>Loud</TITLE>", std::nullopt},
      {"<title></title>", std::string()},
      {"<title>never closed", std::nullopt},
      // A stray closing tag before the title does not cut the title short.
      {"</title><title>Real</title>", std::string("Real")},
      // Broken UTF-8 becomes '?' and the rest survives.
      {utf8(u8"charset=utf-8<title>") + "a\xC3\xFFz" + "</title>", std::string("a??z")},
      // The text of a pass ends at a zero byte.
      {std::string("<title>cut\0off</title>", 22), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(title_of(c.page), c.title) << c.page;
}

TEST(PageTitle, IsFoundOnlyWithinOnePass) {
  // Pass 1 is bytes 0..4095, pass 2 the next 4096.
  EXPECT_EQ(title_of(page_with(6000, 4090, "<title>split</title>")), std::nullopt);
  EXPECT_EQ(title_of(page_with(6000, 4070, "<title>fits</title>")), std::string("fits"));
  EXPECT_EQ(title_of(page_with(9000, 4096, "<title>second</title>")), std::string("second"));
  // Every pass with a title replaces the earlier result.
  std::string two = page_with(9000, 10, "<title>one</title>");
  two.replace(5000, 18, "<title>two</title>");
  EXPECT_EQ(title_of(two), std::string("two"));
  // A title longer than a pass is never whole in one.
  EXPECT_EQ(title_of("<title>" + std::string(5000, 't') + "</title>"), std::nullopt);
}

TEST(PageTitle, ReadingStopsAtThePageLimit) {
  std::string huge = page_with(kMaxPageBytes + 3 * kPassSize, 0, "<title>top</title>");
  huge.replace(kMaxPageBytes + kPassSize, 19, "<title>late</title>");
  EXPECT_EQ(title_of(huge), std::string("top"));
}

TEST(Markers, EndIsSearchedAfterStart) {
  struct Case {
    std::string page;
    const char* start;
    const char* end;
    std::optional<std::string> text;
  } cases[] = {
      {"Your address \n203.0.113.7 (IPv4)", " \n", " ", std::string("203.0.113.7")},
      {"<font color=green>198.51.100.2</font>", "=green>", "</font>",
       std::string("198.51.100.2")},
      {"</font> before <font color=green>198.51.100.3</font>", "=green>", "</font>",
       std::string("198.51.100.3")},
      {"=green> no end", "=green>", "</font>", std::nullopt},
      {"nothing here", "=green>", "</font>", std::nullopt},
  };
  for (const Case& c : cases) {
    std::string copy = c.page;
    EXPECT_EQ(scan_pass(copy.data(), copy.size(), c.start, c.end), c.text) << c.page;
  }
  std::string page = "abc";
  EXPECT_EQ(scan_pass(page.data(), page.size(), "", "c"), std::nullopt);
}

}  // namespace
}  // namespace wf::web
