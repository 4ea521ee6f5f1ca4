// System facts: the package and core split of an APIC id, the brand text's form, the core
// count's restored affinity, and the memory figures.
#include <gtest/gtest.h>
#include <sched.h>

#include <cctype>
#include <cstring>

#include "platform/cpu.h"
#include "platform/memory.h"

namespace wf::platform {
namespace {

TEST(Cpu, ApicIdSplitsIntoPackageAndCore) {
  struct Case {
    int32_t apic, bits, package, core;
  } cases[] = {
      {0, 0, 0, 0},  {5, 0, 2, 1},   // no extended leaf: one bit, package = APIC id >> 1
      {7, 0, 3, 1},  {13, 2, 3, 1},  // 4 cores per package
      {15, 4, 0, 15}, {16, 4, 1, 0}, {255, 3, 31, 7},
  };
  for (const Case& c : cases) {
    int32_t package = -1, core = -1;
    cpu_split_apic(c.apic, c.bits, &package, &core);
    EXPECT_EQ(package, c.package) << c.apic << "/" << c.bits;
    EXPECT_EQ(core, c.core) << c.apic << "/" << c.bits;
  }
}

TEST(Cpu, FactsAreSaneAndTheAffinityIsRestored) {
  char brand[49];
  std::memset(brand, 'x', sizeof brand);
  processor_brand(brand);
  ASSERT_LT(std::strlen(brand), sizeof brand);
  EXPECT_NE(brand[0], ' ');
  for (const char* p = brand; *p; ++p) EXPECT_FALSE(std::islower(static_cast<unsigned char>(*p)));

  cpu_set_t before, after;
  ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
  CpuRecord records[kMaxCpuRecords];
  int32_t logical = 0;
  const int32_t packages = core_count(records, &logical);
  ASSERT_EQ(sched_getaffinity(0, sizeof after, &after), 0);
  EXPECT_TRUE(CPU_EQUAL(&before, &after));
  EXPECT_EQ(logical, logical_processors());
  EXPECT_GE(packages, 1);
  EXPECT_LE(packages, logical);
  EXPECT_EQ(records[0].legacy, 0);
  EXPECT_EQ(records[0].cores, records[0].nc + 1);
}

TEST(Memory, TotalCoversAvailable) {
  uint32_t total = 0, avail = 0;
  ASSERT_EQ(memory_status(&total, &avail), 0);
  EXPECT_GT(total, 0u);
  EXPECT_LE(avail, total);
}

}  // namespace
}  // namespace wf::platform
