// The whiteboard canvas: the shown whiteboard's state (BOARD_STATE: origin, stacking order,
// focus, the case hit table and one CaseWidget per case), the process-wide case clipboard,
// and the operations that load, lay out, pan, stack, create, cut, paste, delete and recolour
// cases. The records themselves belong to the store (store/datastore.h); the widgets draw
// and edit them (cases/case_widget.h).
//
// Every operation here runs on the main thread, except load_board without widgets and
// store_layout, which the frame-switch thread also calls. The stacking order, the case count
// and the widgets change only under the desk data lock (shell/globals.h).
#pragma once
#include <atomic>
#include <cstdint>

#include "store/stamp.h"

namespace wf::cases {
class CaseWidget;
}

namespace wf::desk {

inline constexpr int kBoardSlots = 1000;     // case slots of one whiteboard
inline constexpr int kMaxNewCases = 100;     // a new case is refused from this count on
inline constexpr int kFocusNone = -1;
inline constexpr int kFocusFront = 100;      // the front-most case has the focus
inline constexpr int kNewCaseHalfWidth = 211;   // a new case is 422 x 300, centred
inline constexpr int kNewCaseHalfHeight = 150;
inline constexpr int kWidgetsPerFrame = 5;   // widgets created per frame while loading
inline constexpr uint16_t kNewCaseKindCode = 102;
inline constexpr uint8_t kLevelLocked = 255; // a map sent to bottom and locked

// One entry of the case hit table, written by the widget of that slot: slot, its rectangle
// and, for photos and maps, its armor strip rectangle (offsets in cases/case_widget.h,
// kHitSlot ... kHitStripBottom).
inline constexpr int kHitEntryInts = 9;

// The state of one loaded whiteboard.
struct BOARD_STATE {
  int32_t loaded = 0;
  int32_t origin_x = 0, origin_y = 0;          // screen position of whiteboard point (0, 0)
  int32_t saved_origin_x = 0, saved_origin_y = 0;
  int32_t new_x = 0, new_y = 0;                // screen position of the next new case
  int32_t case_count = 0;                      // records of the Frame shown (0-1000)
  int32_t focus = kFocusNone;
  int32_t order_count = 0;                     // entries of order[] (cases with a widget)
  int32_t order[kBoardSlots] = {};             // slot indexes, front-most first
  int32_t hits[kBoardSlots][kHitEntryInts] = {};
  cases::CaseWidget* widgets[kBoardSlots] = {};
};
using BoardState = BOARD_STATE;

// The case clipboard: the case marked for cut. An all-zero identity means empty.
struct CaseClipboard {
  int32_t dir = -1, frame = -1, slot = -1;
  store::Stamp identity{};
  uint64_t date_key = 0;  // the case's creation stamp as YYYYMMDDhhmmss
};
inline CaseClipboard g_case_clipboard;

// The table entry of a whiteboard (created on first use); nullptr for an index outside the
// store's tables.
BOARD_STATE* board_state(int dir, int frame);
// The entry of the whiteboard the store marks current (store::g_store.cur_dir/cur_frame).
BOARD_STATE& current_board();
int current_dir();
int current_frame();

// Load results: 0 loaded with cases, 1 the Frame holds no case, -1 no such Frame.
int load_board(int dir, int frame, bool with_widgets);
// Writes the origin, moved cases and the stacking order back into the records, journals
// what changed and drops the widgets. 0, or -1 when the Frame does not exist.
int store_layout(int dir, int frame);
// Drops every widget of the current whiteboard (under the desk data lock).
void drop_widgets();

void pan_board(int dx, int dy);   // pinned cases keep their screen place
void reset_origin();              // nothing when the origin is (0, 0)
int front_slot();                 // the front-most slot, -1 when none
// 0 done, 1 refused (a locked map or a slot beyond the count), 2 already front-most.
int bring_to_front(int slot);
void send_to_bottom(int slot);
void send_to_bottom_locked(int slot);
void release_from_bottom(int slot);

// Sets where the next new case goes (screen position of its top-left corner).
void set_new_case_position(int x, int y);
// The slot of the new case, or -1 (100 cases), -2 (the store refused it).
int new_case(const char* text, int kind_code, int colour);
// Ctrl+N / the tools bar: centred on the screen; with quick creation on, created at once
// with a random colour; otherwise dialog 2 opens. Returns the slot, -1 refused, 0 for the
// dialog path.
int quick_new_case(bool quick);

// The case clipboard.
int mark_for_cut(int slot);       // 0 or -1 (no such case)
void empty_clipboard();
bool clipboard_empty();
bool in_clipboard(int slot);      // the current whiteboard's case in that slot is marked
// 0 pasted, -1 clipboard empty, -2 same whiteboard (clipboard emptied), -3 whiteboard
// full, -4 the clipboard's case no longer exists (clipboard emptied).
int paste_case(int x, int y);

// 1 when no case is left, 0 otherwise, -1 no such case.
int delete_case(int slot);
int recolour_case(int slot, int colour);  // 0 or -1
// Association from the source slot to the target slot in mode 4, 5 or 6: 0 or -1.
int associate(int mode, int source, int target);

// Loading progress (while the shell's load progress is below 100): creates up to five
// widgets per frame from 50 on. The per-case step is what each widget adds.
void set_progress_step(float step);
void loading_progress_step();
void draw_loading_progress();

// Drawing onto the current target: the cases from back to front (and the case under the
// pointer raised on top while Ctrl is held), and the origin axes.
void draw_cases(bool ctrl, int px, int py);
void draw_axes();

// The hit test over the cases: 100 + slot of the first case in stacking order whose
// rectangle strictly contains the point (the front-most case also answers for its strips),
// or -1. case_picked: a target was picked (the post strip counts only then).
int hit_cases(int x, int y, bool case_picked);

// The auto-save pass: under the desk data lock, for every widget with its modified flag
// set, writes its position back, saves and journals the record and clears the flag.
// Returns the number of records written.
int autosave_cases();

// Forgets every whiteboard's state and empties the clipboard (teardown, tests).
void reset_boards();

}  // namespace wf::desk
