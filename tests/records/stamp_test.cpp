// Stamps, stored paths of every kind, object folders and the GBK-safe text fields.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/paths.h"
#include "store/stamp.h"
#include "store_fixture.h"

namespace wf::store::testing {
namespace {

Stamp stamp_of(uint16_t kind) {
  Stamp s{};
  s.kind = kind;
  s.year = 2017;
  s.month = 3;
  s.day = 3;
  s.hour = 9;
  s.minute = 5;
  s.second = 7;
  s.serial = 0x1A2B;
  return s;
}

TEST_F(StoreTest, NewStampTakesLocalTimeAndSerialZero) {
  set_test_time(2024, 12, 31, 23, 59, 58);
  Stamp s = new_stamp(kKindCase);
  const uint8_t* b = reinterpret_cast<const uint8_t*>(&s);
  const uint8_t expected[16] = {102, 0, 0, 58, 0, 0, 0, 0, 0, 0, 0xE8, 0x07, 12, 31, 23, 59};
  EXPECT_EQ(0, std::memcmp(b, expected, 16));
}

TEST_F(StoreTest, ObjectPathOfEveryKind) {
  struct Case {
    uint16_t kind;
    const char* path;
  };
  const Case cases[] = {
      {kKindDir, ".\\account\\local\\0\\frame\\2017_03_03_090507_00001A2B"},
      {kKindObject, ".\\account\\local\\1\\object\\2017\\03\\03\\09_05_07_00001A2B.object"},
      {kKindCase, ".\\account\\local\\1\\pass\\2017\\03\\03\\09_05_07_00001A2B.pass"},
      {kKindWho, ".\\account\\local\\1\\who\\2017\\03\\03\\09_05_07_00001A2B.who"},
      {kKindWhere, ".\\account\\local\\1\\where\\2017\\03\\03\\09_05_07_00001A2B.where"},
      {kKindWhen, ".\\account\\local\\1\\when\\2017\\03\\03\\09_05_07_00001A2B.when"},
      {kKindWhat, ".\\account\\local\\1\\what\\2017\\03\\03\\09_05_07_00001A2B.what"},
      {kKindWhy, ".\\account\\local\\1\\why\\2017\\03\\03\\09_05_07_00001A2B.why"},
      {kKindResult, ".\\account\\local\\1\\result\\2017\\03\\03\\09_05_07_00001A2B.result"},
      {kKindPicture, ".\\account\\local\\1\\jpg\\2017\\03\\03\\09_05_07_00001A2B.jpg"},
      {kKindTimeline, ".\\account\\local\\0\\timeline\\2017\\03.timeline"},
      {kKindFrame, ".\\account\\local\\0\\frame\\2017\\03\\03\\09_05_07_00001A2B.frame"},
      {kKindCase + kKindRemoved, ".\\account\\local\\1\\pass\\2017\\03\\03\\09_05_07_00001A2B.pass"},
      {kKindFrame + kKindRemoved, ".\\account\\local\\0\\frame\\2017\\03\\03\\09_05_07_00001A2B.frame"},
      {0, ""},
      {100, ""},
      {kKindTimePoint, ""},
  };
  for (const Case& c : cases) {
    Stamp s = stamp_of(c.kind);
    EXPECT_EQ(c.path, object_path(s)) << "kind " << c.kind;
  }
}

TEST_F(StoreTest, ObjectFoldersMakeTheWholeChain) {
  ASSERT_EQ(0, object_folders(stamp_of(kKindCase)));
  EXPECT_TRUE(std::filesystem::is_directory(folder_ + "/account/local/1/pass/2017/03/03"));
  ASSERT_EQ(0, object_folders(stamp_of(kKindTimeline)));
  EXPECT_TRUE(std::filesystem::is_directory(folder_ + "/account/local/0/timeline/2017"));
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/account/local/0/timeline/2017/03"));
  EXPECT_EQ(-1, object_folders(stamp_of(0)));
}

TEST(StampIdentity, AllNamingFieldsCountAndOnlyThose) {
  Stamp a = stamp_of(kKindCase);
  Stamp b = a;
  b.zero2 = 7;  // association entries carry link data in bytes 2 and 6-9
  b.zero6[1] = 9;
  EXPECT_TRUE(same_object(a, b));
  auto differs = [&](auto change) {
    Stamp c = a;
    change(c);
    return !same_object(a, c);
  };
  EXPECT_TRUE(differs([](Stamp& s) { s.kind = kKindFrame; }));
  EXPECT_TRUE(differs([](Stamp& s) { s.serial++; }));
  EXPECT_TRUE(differs([](Stamp& s) { s.year++; }));
  EXPECT_TRUE(differs([](Stamp& s) { s.month++; }));
  EXPECT_TRUE(differs([](Stamp& s) { s.day++; }));
  EXPECT_TRUE(differs([](Stamp& s) { s.hour++; }));
  EXPECT_TRUE(differs([](Stamp& s) { s.minute++; }));
  EXPECT_TRUE(differs([](Stamp& s) { s.second++; }));
}

TEST(TextField, CopyNeverSplitsATwoByteCharacter) {
  char field[8];
  std::memset(field, 'x', sizeof field);
  // Six ASCII bytes then a two-byte character: only 7 bytes fit before the terminator.
  EXPECT_EQ(6u, copy_text(field, sizeof field, "abcdef\xB0\xA1"));
  EXPECT_STREQ("abcdef", field);
  EXPECT_EQ(0, field[7]);
  EXPECT_EQ(7u, copy_text(field, sizeof field, "abcde\xB0\xA1z"));
  EXPECT_STREQ("abcde\xB0\xA1", field);
  EXPECT_EQ(0u, copy_text(field, sizeof field, nullptr));
  EXPECT_EQ(0, field[0]);
  const char full[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(4u, field_length(full, sizeof full));
}

}  // namespace
}  // namespace wf::store::testing
