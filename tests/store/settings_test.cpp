// The settings record: field offsets, new-account defaults, loading and saving per account,
// the forced lite mode, damaged files that must survive, and the global file.
#include <cstring>

#include "profile_fixture.h"
#include "shell/globals.h"

namespace wf::store {
namespace {

TEST(SettingsRecordFields, AccessorsUseTheirOffsets) {
  SettingsRecord r;
  r.clear();
  r.set_high_rate(true);
  r.set_axes(true);
  r.set_version(1, 2, 3);
  r.set_dir_index(-2);
  r.set_frame_index(7);
  r.set_language(9);
  r.set_notice_id(0x01020304);
  r.set_lite_mode(true);
  r.set_window_size(800, 70000);
  r.set_board_selector_unfolded(true);
  struct Field {
    int offset;
    std::vector<uint8_t> bytes;
  };
  const Field fields[] = {
      {16, {1, 0, 0, 1, 0}},   {28, {3, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0}},
      {40, {0xFE, 0xFF, 0xFF, 0xFF, 7, 0, 0, 0, 9, 0, 0, 0}},
      {77, {4, 3, 2, 1, 1}},   {82, {0x20, 0x03, 0xFF, 0xFF}},  {87, {1}},
  };
  for (const Field& f : fields)
    EXPECT_EQ(0, std::memcmp(r.bytes + f.offset, f.bytes.data(), f.bytes.size())) << f.offset;
  EXPECT_EQ(r.version_code(), 1020003);
  EXPECT_EQ(r.window_height(), 65535);
  std::memset(r.bytes + kSetThemeReserved, 0x55, kThemeReservedSize);
  r.bytes[69] = 0x66;
  r.set_theme(3);
  EXPECT_EQ(r.theme(), 3);
  for (int i = 0; i < kThemeReservedSize; ++i) EXPECT_EQ(r.bytes[kSetThemeReserved + i], 0);
  EXPECT_EQ(r.bytes[69], 0x66);  // only the 16 bytes after the theme are cleared with it
}

TEST_F(ProfileTest, LocalAccountStartsWithNewAccountDefaults) {
  shell::g_shell.active_rate = 0;
  shell::g_shell.autosave_period = 10;
  ASSERT_EQ(load_settings(-1, ""), 0);
  EXPECT_EQ(data_root(), ".\\account\\local\\");
  std::vector<uint8_t> file = unseal_file_bytes(".\\account\\local\\config.cfg");
  ASSERT_EQ(file.size(), 2048u);
  EXPECT_EQ(0, std::memcmp(file.data(), settings().bytes, 2048));
  const SettingsRecord& s = settings();
  const uint8_t options[] = {1, 1, 1, 1, 0};
  EXPECT_EQ(0, std::memcmp(s.bytes + 16, options, 5));
  EXPECT_EQ(s.language(), 2052);
  EXPECT_EQ(s.version_code(), 1010000);
  EXPECT_EQ(s.window_width(), 0);
  EXPECT_EQ(s.window_height(), 0);
  EXPECT_TRUE(s.lite_mode());
  EXPECT_EQ(shell::g_shell.active_rate.load(), 180);
  EXPECT_EQ(shell::g_shell.autosave_period.load(), 1);
}

TEST_F(ProfileTest, LoadForcesLiteModeAndLanguageAndSetsTheRate) {
  SettingsRecord r;
  r.clear();
  r.set_language(9);
  r.set_window_size(1024, 700);
  platform::make_folder(kAccountRoot);
  platform::make_folder(kLocalAccountFolder);
  ASSERT_EQ(write_sealed(".\\account\\local\\config.cfg", r.bytes, sizeof r.bytes), 0);
  ASSERT_EQ(load_settings(-1, ""), 0);
  EXPECT_TRUE(settings().lite_mode());
  EXPECT_EQ(settings().language(), 2052);
  EXPECT_EQ(settings().window_width(), 1024);
  EXPECT_EQ(shell::g_shell.active_rate.load(), 60);
  settings().set_lite_mode(false);
  ASSERT_EQ(save_settings(-1), 0);
  EXPECT_EQ(unseal_file_bytes(".\\account\\local\\config.cfg")[kSetLiteMode], 1);
}

TEST_F(ProfileTest, EmailAccountChecksEntryAndPassword) {
  ASSERT_EQ(load_account_table(), 0);
  int slot = add_account_slot();
  ASSERT_EQ(slot, 0);
  account_table().set_password(slot, "secret");
  EXPECT_EQ(load_settings(3, "secret"), kSettingsBadIndex);
  EXPECT_EQ(load_settings(1, "secret"), kSettingsEmptyEntry);
  ASSERT_EQ(load_settings(0, "secret"), 0);
  std::string path = account_folder(account_table().folder_id(0)) + "\\config.cfg";
  EXPECT_EQ(unseal_file_bytes(path).size(), 2048u);
  EXPECT_EQ(data_root(), account_folder(account_table().folder_id(0)) + "\\");

  settings().set_theme(4);
  ASSERT_EQ(save_settings(0), 0);
  settings().clear();
  EXPECT_EQ(load_settings(0, "Secret"), kSettingsWrongPassword);
  EXPECT_EQ(settings().theme(), 4);  // the record is loaded all the same
  write_file(path, {});
  EXPECT_EQ(load_settings(0, "secret"), kSettingsBadIndex);
}

TEST_F(ProfileTest, DamagedSettingsFileIsReportedAndKept) {
  ASSERT_EQ(load_settings(-1, ""), 0);
  settings().set_theme(2);
  const std::string path = ".\\account\\local\\config.cfg";
  std::vector<uint8_t> short_record(1000, 7);
  std::vector<uint8_t> wrong_size(sealed_size(1000));
  ASSERT_GT(seal_with_seed(5, short_record.data(), 1000, wrong_size.data(), wrong_size.size()), 0);
  std::vector<uint8_t> garbage(2200, 0x5A);
  for (const std::vector<uint8_t>& bad : {wrong_size, garbage}) {
    write_file(path, bad);
    EXPECT_EQ(load_settings(-1, ""), kSettingsDamaged);
    EXPECT_EQ(read_file(path), bad);      // never replaced by defaults
    EXPECT_EQ(settings().theme(), 2);     // the in-memory record is kept
  }
}

TEST_F(ProfileTest, GlobalFileHoldsVersionAndLanguageOnly) {
  ASSERT_EQ(write_global_settings(), 0);
  std::vector<uint8_t> g = unseal_file_bytes("config.cfg");
  ASSERT_EQ(g.size(), 2048u);
  SettingsRecord want;
  want.clear();
  want.put_u32(kSetVersionMajor, 1);
  want.put_u32(kSetVersionMinor, 1);
  want.put_u32(kSetLanguage, 2052);
  EXPECT_EQ(0, std::memcmp(g.data(), want.bytes, 2048));
}

}  // namespace
}  // namespace wf::store
