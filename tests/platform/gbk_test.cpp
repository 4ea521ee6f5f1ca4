// GBK conversions keep what converts and replace only what does not.
#include <gtest/gtest.h>

#include "platform/gbk.h"

namespace wf::platform {
namespace {

TEST(Gbk, RoundTripsChineseText) {
  const std::string gbk = "工作台 abc";  // compiled to GBK
  EXPECT_EQ(gbk, std::string("\xB9\xA4\xD7\xF7\xCC\xA8 abc"));
  EXPECT_EQ(gbk_to_utf8(gbk), std::string(reinterpret_cast<const char*>(u8"工作台 abc")));
  EXPECT_EQ(utf8_to_gbk(gbk_to_utf8(gbk)), gbk);
  EXPECT_EQ(gbk_to_utf16(gbk), u"工作台 abc");
  EXPECT_EQ(utf16_to_gbk(u"工作台 abc"), gbk);
}

TEST(Gbk, ReplacesWhatDoesNotConvert) {
  EXPECT_EQ(gbk_to_utf8("a\xB9"), "a\xEF\xBF\xBD");                // cut-off double byte
  EXPECT_EQ(utf8_to_gbk("x\xF0\x9F\x98\x80y"), "x?y");              // emoji: no GBK form
  EXPECT_EQ(utf8_to_gbk("x\xFFy"), "x?y");                           // not UTF-8
}

}  // namespace
}  // namespace wf::platform
