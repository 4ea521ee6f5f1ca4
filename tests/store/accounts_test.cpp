// The account table: first start, adding up to three accounts, packing on removal with flags
// and remembered passwords, accounts whose folders vanished, lookup, and damaged files.
#include <cstring>

#include "profile_fixture.h"
#include "store/rng.h"

namespace wf::store {
namespace {

AccountTable table_on_disk(ProfileTest* t) {
  AccountTable d{};
  std::vector<uint8_t> bytes = t->unseal_file_bytes(kAccountTableFile);
  EXPECT_EQ(bytes.size(), 644u);
  if (bytes.size() == 644) std::memcpy(d.bytes, bytes.data(), 644);
  return d;
}

void expect_empty_entry(const AccountTable& t, int i) {
  EXPECT_EQ(t.folder_id(i), -1);
  EXPECT_EQ(t.user_id(i), -1);
  EXPECT_EQ(t.user_key(i), -1);
  EXPECT_EQ(t.email(i), "");
  EXPECT_FALSE(t.remember(i));
  EXPECT_FALSE(t.offline(i));
  EXPECT_EQ(t.remembered_password(i), "");
}

// Three accounts a@x, b@x, c@x with distinct flags and remembered passwords, saved.
void add_three(AccountTable& t) {
  const char* mails[] = {"a@x", "b@x", "c@x"};
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(add_account_slot(), i);
    t.set_user_id(i, 100 + i);
    t.set_user_key(i, 200 + i);
    t.set_email(i, mails[i]);
    t.set_password(i, std::string("pw") + mails[i]);
    t.set_remember(i, i != 1);
    t.set_remembered_password(i, i != 1 ? std::string("r") + mails[i] : "");
    t.set_offline(i, i == 1);
  }
  t.set_current(2);
  ASSERT_EQ(save_account_table(), 0);
}

TEST_F(ProfileTest, FirstStartCreatesTheEmptyTable) {
  ASSERT_EQ(load_account_table(), 0);
  EXPECT_TRUE(std::filesystem::is_directory(native(kAccountRoot)));
  AccountTable d = table_on_disk(this);
  EXPECT_EQ(d.free_slots(), 3u);
  EXPECT_EQ(d.count(), 0u);
  EXPECT_EQ(d.current(), -1);
  for (int i = 0; i < 3; ++i) expect_empty_entry(d, i);
  for (int i = kTabReserved; i < kAccountTableSize; ++i) ASSERT_EQ(d.bytes[i], 0);
}

TEST_F(ProfileTest, AtMostThreeAccountsEachWithItsFolder) {
  ASSERT_EQ(load_account_table(), 0);
  AccountTable& t = account_table();
  add_three(t);
  EXPECT_EQ(add_account_slot(), -1);
  EXPECT_EQ(t.free_slots(), 0u);
  EXPECT_EQ(t.count(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(std::filesystem::is_directory(native(account_folder(t.folder_id(i))))) << i;
    for (int j = 0; j < i; ++j) EXPECT_NE(t.folder_id(i), t.folder_id(j));
  }
  char want[32];
  std::snprintf(want, sizeof want, ".\\account\\%08X", static_cast<unsigned>(0xAB12));
  EXPECT_EQ(account_folder(0xAB12), want);
  EXPECT_EQ(account_folder(0xAB12), ".\\account\\0000AB12");
}

TEST_F(ProfileTest, RemovingAnEntryPacksTheRest) {
  ASSERT_EQ(load_account_table(), 0);
  AccountTable& t = account_table();
  add_three(t);
  int32_t id1 = t.folder_id(1), id2 = t.folder_id(2);
  ASSERT_EQ(remove_account(0), 0);
  AccountTable d = table_on_disk(this);  // saved at once
  EXPECT_EQ(0, std::memcmp(d.bytes, t.bytes, 644));
  EXPECT_EQ(d.free_slots(), 1u);
  EXPECT_EQ(d.count(), 2u);
  EXPECT_EQ(d.current(), 0);
  EXPECT_EQ(d.folder_id(0), id1);
  EXPECT_EQ(d.folder_id(1), id2);
  EXPECT_EQ(d.email(0), "b@x");
  EXPECT_EQ(d.user_key(0), 201);
  EXPECT_TRUE(d.offline(0));
  EXPECT_FALSE(d.remember(0));
  EXPECT_EQ(d.email(1), "c@x");
  EXPECT_EQ(d.password(1), "pwc@x");
  EXPECT_TRUE(d.remember(1));
  EXPECT_EQ(d.remembered_password(1), "rc@x");
  expect_empty_entry(d, 2);

  EXPECT_EQ(remove_account(2), 0);  // empty entry: no change
  EXPECT_EQ(remove_account(5), 0);
  EXPECT_EQ(t.count(), 2u);
  remove_account(1);
  remove_account(0);
  EXPECT_EQ(t.count(), 0u);
  EXPECT_EQ(t.free_slots(), 3u);
  EXPECT_EQ(t.current(), -1);
}

TEST_F(ProfileTest, AccountsWithVanishedFoldersAreDroppedAtLoad) {
  ASSERT_EQ(load_account_table(), 0);
  AccountTable& t = account_table();
  add_three(t);
  int32_t kept = t.folder_id(2);
  std::filesystem::remove_all(native(account_folder(t.folder_id(0))));
  std::filesystem::remove_all(native(account_folder(t.folder_id(1))));
  t.clear();
  ASSERT_EQ(load_account_table(), 0);
  EXPECT_EQ(t.count(), 1u);
  EXPECT_EQ(t.folder_id(0), kept);
  EXPECT_EQ(t.email(0), "c@x");
  EXPECT_EQ(table_on_disk(this).count(), 1u);
}

TEST_F(ProfileTest, FindIsExactAndSkipsEmptyEntries) {
  ASSERT_EQ(load_account_table(), 0);
  add_three(account_table());
  EXPECT_EQ(find_account("b@x"), 1);
  EXPECT_EQ(find_account("B@x"), -1);
  EXPECT_EQ(find_account("b@"), -1);
  remove_account(2);
  EXPECT_EQ(find_account(""), -1);
  account_table().set_email(0, std::string(40, 'm'));  // cut to the 31 bytes the field holds
  EXPECT_EQ(account_table().email(0), std::string(31, 'm'));
}

TEST_F(ProfileTest, NewAccountNeverTakesALeftoverFolder) {
  ASSERT_EQ(load_account_table(), 0);
  seed_general_rng(1234);
  int32_t first = next_general_rng();
  platform::make_folder(account_folder(first));  // data of an account removed earlier
  seed_general_rng(1234);
  int slot = add_account_slot();
  ASSERT_EQ(slot, 0);
  EXPECT_NE(account_table().folder_id(slot), first);
}

TEST_F(ProfileTest, DamagedOrEmptyTableIsReportedAndKept) {
  ASSERT_EQ(load_account_table(), 0);
  add_three(account_table());
  AccountTable before = account_table();
  std::vector<uint8_t> inconsistent(644, 0);
  inconsistent[kTabCount] = 9;  // a count no table can hold
  std::vector<uint8_t> sealed_bad(sealed_size(644));
  ASSERT_GT(seal_with_seed(3, inconsistent.data(), 644, sealed_bad.data(), sealed_bad.size()), 0);
  const std::vector<uint8_t> bad_files[] = {std::vector<uint8_t>(712, 1), sealed_bad};
  for (const std::vector<uint8_t>& bad : bad_files) {
    write_file(kAccountTableFile, bad);
    EXPECT_EQ(load_account_table(), kAccountsDamaged);
    EXPECT_EQ(read_file(kAccountTableFile), bad);
    EXPECT_EQ(0, std::memcmp(account_table().bytes, before.bytes, 644));
  }
  write_file(kAccountTableFile, {});
  EXPECT_EQ(load_account_table(), kAccountsEmptyFile);
}

}  // namespace
}  // namespace wf::store
