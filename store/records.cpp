// Making fresh records and checking record bytes read from disk before they are trusted.
#include "store/records.h"

#include <cstring>

namespace wf::store {
namespace {

uint32_t u32_at(const void* bytes, size_t offset) {
  uint32_t v;
  std::memcpy(&v, static_cast<const char*>(bytes) + offset, sizeof v);
  return v;
}

uint16_t u16_at(const void* bytes, size_t offset) {
  uint16_t v;
  std::memcpy(&v, static_cast<const char*>(bytes) + offset, sizeof v);
  return v;
}

}  // namespace

namespace {

// Frame and case records open alike: size, the two -1 words, own and saved stamps.
template <class Record>
void init_record_head(Record* rec, uint32_t size, const Stamp& own) {
  std::memset(rec, 0, sizeof *rec);
  rec->size = size;
  rec->minus_one_280 = -1;
  rec->minus_one_284 = -1;
  rec->own = own;
  rec->saved = own;
}

}  // namespace

void init_frame_record(FrameRecord* rec, const Stamp& own, const char* name) {
  init_record_head(rec, kFrameRecordSize, own);
  copy_text(rec->name, sizeof rec->name, name);
}

void init_case_record(CaseRecord* rec, const Stamp& own, const char* title) {
  init_record_head(rec, kCaseRecordSize, own);
  copy_text(rec->title, sizeof rec->title, title);
}

int check_root_record(const void* bytes, size_t len) {
  if (!bytes || len < kRootRecordSize) return kBadShort;
  if (u32_at(bytes, kRootDirCount) > static_cast<uint32_t>(kDirSlots)) return kBadCount;
  return 0;
}

int check_dir_record(const void* bytes, size_t len) {
  if (!bytes || len < kDirRecordSize) return kBadShort;
  if (u32_at(bytes, kDirFrameCount) > static_cast<uint32_t>(kFrameSlots)) return kBadCount;
  return 0;
}

int check_frame_record(const void* bytes, size_t len) {
  if (!bytes || len < kFrameRecordSize) return kBadShort;
  if (u32_at(bytes, kFrameCaseCount) > static_cast<uint32_t>(kCaseSlots)) return kBadCount;
  return 0;
}

int check_case_record(const void* bytes, size_t len) {
  if (!bytes || len < kCaseRecordSize) return kBadShort;
  if (u16_at(bytes, kCaseMapSignCount) > kMapSigns) return kBadCount;
  for (size_t list : {kCaseUp, kCaseLateral, kCaseDown})
    if (u32_at(bytes, list) > static_cast<uint32_t>(kAssociations)) return kBadCount;
  return 0;
}

}  // namespace wf::store
