// The fixed-size records of an account's data tree: the root record (the list of Dirs), the
// Dir record (the list of a Dir's Frames), the Frame record (a whiteboard and its list of
// cases), the CaseRecord (one case) and the 128-byte change record of the journal.
//
// Every record is a packed structure whose size and field offsets are fixed by the files on
// disk and the sync wire; the static_asserts below keep them so. Numbers are little-endian
// (the host order on every target), texts are zero-terminated GBK within their field.
#pragma once
#include <cstddef>
#include <cstdint>

#include "store/stamp.h"

namespace wf::store {

// Capacities of the formats and limits that the operations enforce.
constexpr int kDirSlots = 100;          // root record slots
constexpr int kMaxDirs = 20;            // new Dir refused at this count
constexpr int kMaxDirName = 20;         // bytes of a Dir name
constexpr int kFrameSlots = 100;        // Dir record slots
constexpr int kMaxFramesPerDir = 20;    // new Frame refused at this count
constexpr int kCaseSlots = 1000;        // Frame record slots (a pasted case is refused here)
constexpr int kMaxNewCases = 100;       // a new case is refused at this count
constexpr int kNameField = 32;          // Dir, Frame and case title fields
constexpr int kTextField = 4000;        // a case's text area
constexpr int kMapSigns = 60;
constexpr int kContentItems = 30;
constexpr int kAssociations = 40;

#pragma pack(push, 1)

// "root.frame" in "0\\frame\\".
struct RootRecord {
  uint32_t dir_count;                    // 0
  char dir_names[kDirSlots][kNameField]; // 4: an empty name is a slot skipped at load
  Stamp dir_stamps[kDirSlots];           // 3204: kind 1, same order as the names
};
constexpr size_t kRootRecordSize = 4804;
constexpr size_t kRootDirCount = 0;
constexpr size_t kRootDirNames = 4;
constexpr size_t kRootDirStamps = 3204;
static_assert(sizeof(RootRecord) == kRootRecordSize);
static_assert(offsetof(RootRecord, dir_names) == kRootDirNames);
static_assert(offsetof(RootRecord, dir_stamps) == kRootDirStamps);

// One Dir, in "0\\frame\\" named from its stamp.
struct DirRecord {
  uint32_t frame_count;                  // 0
  Stamp frame_stamps[kFrameSlots];       // 4: kind 0x7FF1, in order; unused slots zero
};
constexpr size_t kDirRecordSize = 1604;
constexpr size_t kDirFrameCount = 0;
constexpr size_t kDirFrameStamps = 4;
static_assert(sizeof(DirRecord) == kDirRecordSize);
static_assert(offsetof(DirRecord, frame_stamps) == kDirFrameStamps);

// One whiteboard.
struct FrameRecord {
  uint32_t size;                         // 0: 32384
  uint32_t zero4;                        // 4
  uint8_t reserved8[12];                 // 8
  int32_t origin_x;                      // 20: pan offset; screen = stored position + origin
  int32_t reserved24;                    // 24
  int32_t origin_y;                      // 28
  uint8_t reserved32[248];               // 32
  int32_t minus_one_280;                 // 280: -1
  int32_t minus_one_284;                 // 284: -1
  uint8_t reserved288[8];                // 288
  Stamp own;                             // 296: names the file
  Stamp saved;                           // 312: kind and serial of own, time of last save
  char name[kNameField];                 // 328
  uint8_t reserved360[16020];            // 360
  uint32_t case_count;                   // 16380
  Stamp case_stamps[kCaseSlots];         // 16384: kind 102, in drawing order
};
constexpr size_t kFrameRecordSize = 32384;
constexpr size_t kFrameSize = 0;
constexpr size_t kFrameOriginX = 20;
constexpr size_t kFrameOriginY = 28;
constexpr size_t kFrameMinusOneA = 280;
constexpr size_t kFrameMinusOneB = 284;
constexpr size_t kFrameOwnStamp = 296;
constexpr size_t kFrameSavedStamp = 312;
constexpr size_t kFrameName = 328;
constexpr size_t kFrameCaseCount = 16380;
constexpr size_t kFrameCaseStamps = 16384;
static_assert(sizeof(FrameRecord) == kFrameRecordSize);
static_assert(offsetof(FrameRecord, origin_x) == kFrameOriginX);
static_assert(offsetof(FrameRecord, origin_y) == kFrameOriginY);
static_assert(offsetof(FrameRecord, minus_one_280) == kFrameMinusOneA);
static_assert(offsetof(FrameRecord, minus_one_284) == kFrameMinusOneB);
static_assert(offsetof(FrameRecord, own) == kFrameOwnStamp);
static_assert(offsetof(FrameRecord, saved) == kFrameSavedStamp);
static_assert(offsetof(FrameRecord, name) == kFrameName);
static_assert(offsetof(FrameRecord, case_count) == kFrameCaseCount);
static_assert(offsetof(FrameRecord, case_stamps) == kFrameCaseStamps);

struct MapSign {
  char name[16];                         // 0
  uint16_t x;                            // 16: relative to the picture
  uint16_t y;                            // 18
};
static_assert(sizeof(MapSign) == 20);

struct ContentItem {
  uint32_t kind;                         // 0: 0 = free slot
  char name[32];                         // 4
  char path[256];                        // 36
};
static_assert(sizeof(ContentItem) == 292);

struct AssociationList {
  uint32_t count;                        // at most 40
  Stamp cases[kAssociations];
};
static_assert(sizeof(AssociationList) == 644);

// Case kinds (CaseRecord::case_kind).
constexpr uint16_t kCasePost = 0;
constexpr uint16_t kCaseTitle = 1;
constexpr uint16_t kCasePhoto = 2;
constexpr uint16_t kCaseMap = 3;

// One case ("1\\pass\\year\\month\\day\\hh_mm_ss_SERIAL.pass").
struct CaseRecord {
  uint32_t size;                         // 0: 16384
  uint32_t zero4;                        // 4
  uint32_t reserved8;                    // 8
  uint16_t skin;                         // 12: 0-9
  uint16_t case_kind;                    // 14: kCasePost ... kCaseMap
  int32_t x;                             // 16: relative to the Frame's origin
  int32_t reserved20;                    // 20
  int32_t y;                             // 24
  int32_t reserved28;                    // 28
  // 32: editor view state
  int32_t caret_offset;                  // 32
  int32_t caret_line;                    // 36
  int32_t caret_column;                  // 40
  int32_t preferred_column;              // 44: -1 = none
  int32_t first_row;                     // 48
  int32_t first_line;                    // 52
  int32_t last_line;                     // 56
  int32_t row_counter;                   // 60
  int32_t row_offset;                    // 64
  int32_t pixels_per_row;                // 68
  int32_t thumb_offset;                  // 72
  int32_t thumb_height;                  // 76
  int32_t thumb_drag;                    // 80
  int32_t thumb_drag_start;              // 84
  uint8_t reserved88;                    // 88
  uint8_t pinned;                        // 89
  uint8_t reserved90[22];                // 90
  uint32_t picture_item;                 // 112: only the low byte is used
  uint8_t reserved116[6];                // 116
  uint8_t zoom;                          // 122: percent, 10-250
  uint8_t reserved123[7];                // 123
  int32_t width;                         // 130
  int32_t height;                        // 134
  uint8_t reserved138;                   // 138
  uint8_t photo_frame;                   // 139: even grey, odd white
  uint8_t text_size;                     // 140: modulo 5
  uint8_t reserved141[139];              // 141
  int32_t minus_one_280;                 // 280: -1
  int32_t minus_one_284;                 // 284: -1
  uint32_t reserved288;                  // 288
  uint16_t map_sign_count;               // 292: 0-60
  uint16_t reserved294;                  // 294
  Stamp own;                             // 296: names the file
  Stamp saved;                           // 312
  char title[kNameField];                // 328
  uint8_t reserved360[128];              // 360
  char text[kTextField];                 // 488: zero after the terminator when saved
  MapSign map_signs[kMapSigns];          // 4488
  ContentItem items[kContentItems];      // 5688
  AssociationList up;                    // 14448
  AssociationList lateral;               // 15092
  AssociationList down;                  // 15736
  uint32_t reserved16380;                // 16380
};
constexpr size_t kCaseRecordSize = 16384;
constexpr size_t kCaseSkin = 12;
constexpr size_t kCaseKind = 14;
constexpr size_t kCaseX = 16;
constexpr size_t kCaseY = 24;
constexpr size_t kCaseView = 32;
constexpr size_t kCasePinned = 89;
constexpr size_t kCasePictureItem = 112;
constexpr size_t kCaseZoom = 122;
constexpr size_t kCaseWidth = 130;
constexpr size_t kCaseHeight = 134;
constexpr size_t kCasePhotoFrame = 139;
constexpr size_t kCaseTextSize = 140;
constexpr size_t kCaseMinusOneA = 280;
constexpr size_t kCaseMinusOneB = 284;
constexpr size_t kCaseMapSignCount = 292;
constexpr size_t kCaseOwnStamp = 296;
constexpr size_t kCaseSavedStamp = 312;
constexpr size_t kCaseTitleField = 328;
constexpr size_t kCaseText = 488;
constexpr size_t kCaseMapSigns = 4488;
constexpr size_t kCaseItems = 5688;
constexpr size_t kCaseUp = 14448;
constexpr size_t kCaseLateral = 15092;
constexpr size_t kCaseDown = 15736;
static_assert(sizeof(CaseRecord) == kCaseRecordSize);
static_assert(offsetof(CaseRecord, skin) == kCaseSkin);
static_assert(offsetof(CaseRecord, case_kind) == kCaseKind);
static_assert(offsetof(CaseRecord, x) == kCaseX);
static_assert(offsetof(CaseRecord, y) == kCaseY);
static_assert(offsetof(CaseRecord, caret_offset) == kCaseView);
static_assert(offsetof(CaseRecord, thumb_drag_start) == 84);
static_assert(offsetof(CaseRecord, pinned) == kCasePinned);
static_assert(offsetof(CaseRecord, picture_item) == kCasePictureItem);
static_assert(offsetof(CaseRecord, zoom) == kCaseZoom);
static_assert(offsetof(CaseRecord, width) == kCaseWidth);
static_assert(offsetof(CaseRecord, height) == kCaseHeight);
static_assert(offsetof(CaseRecord, photo_frame) == kCasePhotoFrame);
static_assert(offsetof(CaseRecord, text_size) == kCaseTextSize);
static_assert(offsetof(CaseRecord, minus_one_280) == kCaseMinusOneA);
static_assert(offsetof(CaseRecord, minus_one_284) == kCaseMinusOneB);
static_assert(offsetof(CaseRecord, map_sign_count) == kCaseMapSignCount);
static_assert(offsetof(CaseRecord, own) == kCaseOwnStamp);
static_assert(offsetof(CaseRecord, saved) == kCaseSavedStamp);
static_assert(offsetof(CaseRecord, title) == kCaseTitleField);
static_assert(offsetof(CaseRecord, text) == kCaseText);
static_assert(offsetof(CaseRecord, map_signs) == kCaseMapSigns);
static_assert(offsetof(CaseRecord, items) == kCaseItems);
static_assert(offsetof(CaseRecord, up) == kCaseUp);
static_assert(offsetof(CaseRecord, lateral) == kCaseLateral);
static_assert(offsetof(CaseRecord, down) == kCaseDown);

// Change record operations.
constexpr uint8_t kOpCancelled = 0;
constexpr uint8_t kOpNew = 1;
constexpr uint8_t kOpDelete = 2;
constexpr uint8_t kOpModify = 3;
constexpr uint8_t kOpRename = 4;
constexpr uint8_t kOpMove = 5;
constexpr uint8_t kOpPassword = 6;
constexpr uint8_t kOpItemCount = 7;   // modify with item count
constexpr uint8_t kOpTimelineCheck = 8;

// Change record object classes.
constexpr uint8_t kClassDir = 1;
constexpr uint8_t kClassFrame = 2;
constexpr uint8_t kClassCase = 3;
constexpr uint8_t kClassPicture = 4;

// One entry of the change journal "log"; the same bytes travel to the server.
struct ChangeRecord {
  uint8_t op;                            // 0: kOp...
  uint8_t cls;                           // 1: kClass...
  uint32_t content_size;                 // 2: record size, or a picture's file length
  Stamp stamp;                           // 6
  char dir_name[21];                     // 22
  char frame_name[21];                   // 43
  char title[32];                        // 64
  uint8_t data[32];                      // 96: new name / x,y / item count / password
};
constexpr size_t kChangeRecordSize = 128;
constexpr size_t kChangeOp = 0;
constexpr size_t kChangeClass = 1;
constexpr size_t kChangeSize = 2;
constexpr size_t kChangeStamp = 6;
constexpr size_t kChangeDirName = 22;
constexpr size_t kChangeFrameName = 43;
constexpr size_t kChangeTitle = 64;
constexpr size_t kChangeData = 96;
static_assert(sizeof(ChangeRecord) == kChangeRecordSize);
static_assert(offsetof(ChangeRecord, content_size) == kChangeSize);
static_assert(offsetof(ChangeRecord, stamp) == kChangeStamp);
static_assert(offsetof(ChangeRecord, dir_name) == kChangeDirName);
static_assert(offsetof(ChangeRecord, frame_name) == kChangeFrameName);
static_assert(offsetof(ChangeRecord, title) == kChangeTitle);
static_assert(offsetof(ChangeRecord, data) == kChangeData);

#pragma pack(pop)

// A fresh Frame record: all zero, size, the two -1 fields, own and saved stamp, the name.
void init_frame_record(FrameRecord* rec, const Stamp& own, const char* name);
// A fresh CaseRecord: all zero, size, the two -1 fields, own and saved stamp, the title.
void init_case_record(CaseRecord* rec, const Stamp& own, const char* title);

// Checks of record bytes read from disk (or received): 0 when the bytes hold a whole record
// whose counts fit their tables, kBadShort when fewer bytes than the record, kBadCount when
// a count exceeds its table. Nothing beyond len bytes is read.
constexpr int kBadShort = -1;
constexpr int kBadCount = -2;
int check_root_record(const void* bytes, size_t len);
int check_dir_record(const void* bytes, size_t len);
int check_frame_record(const void* bytes, size_t len);
int check_case_record(const void* bytes, size_t len);

}  // namespace wf::store
