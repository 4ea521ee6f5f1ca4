// Processor facts for the client-info block and the update program: brand text, clock,
// logical processors and physical cores (by binding to each processor and reading cpuid).
#pragma once
#include <cstdint>

namespace wf::platform {

// What the core count learns about one logical processor (15 values).
struct CpuRecord {
  int32_t max_leaf;          // highest standard cpuid leaf
  int32_t max_ext_leaf;      // highest extended leaf
  int32_t logical_count;     // cpuid 1, EBX bits 16-23: logical processors of its package
  int32_t apic_id;           // cpuid 1, EBX bits 24-31: initial APIC id
  int32_t reserved4;
  int32_t reserved5;
  int32_t apic_core_bits;    // cpuid 0x80000008, ECX bits 12-15 (ApicIdCoreIdSize)
  int32_t nc;                // cpuid 0x80000008, ECX bits 0-7
  int32_t mnc;               // 2^apic_core_bits when not 0, else nc + 1
  int32_t cores;             // nc + 1
  int32_t threads_per_core;  // 1 without HTT, else logical_count / (nc + 1)
  int32_t package_id;
  int32_t core_id;
  int32_t legacy;            // always 0
  int32_t htt;               // cpuid 1, EDX bit 28
};
static_assert(sizeof(CpuRecord) == 15 * 4);

inline constexpr int kMaxCpuRecords = 256;  // processors beyond this are not scanned
inline constexpr int kPackageCounters = 24; // package ids 0 ... 23 are counted

// The 48-byte brand text in upper case without leading blanks; dest holds at least 49
// bytes. Without the brand leaves the text is empty.
void processor_brand(char* dest);

// The processor clock in MHz, from the time-stamp counter over 1/16 s of the monotonic
// clock (busy wait, at raised priority where the system allows it). 0 where there is no
// time-stamp counter.
int32_t processor_clock();

// Logical processors online.
int32_t logical_processors();

// Fills records[0 ... min(n, kMaxCpuRecords) - 1] (n = logical processors), stores n in
// *logical and returns the number of physical packages found (the count of package ids
// 0 ... 23 that occur; larger ids count as one more package each, once per id). The
// calling thread's processor affinity is restored afterwards. records may be nullptr.
int32_t core_count(CpuRecord* records, int32_t* logical);

// The pure part of the core count: package id and core id from an APIC id and
// ApicIdCoreIdSize (0 means the bits are taken as 1).
void cpu_split_apic(int32_t apic_id, int32_t apic_core_bits, int32_t* package_id,
                    int32_t* core_id);

}  // namespace wf::platform
