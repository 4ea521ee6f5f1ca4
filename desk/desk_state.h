// The process-wide desk state: the gesture, pick, modal and mode values that the desk and
// every part it owns (bars, menus, dialogs, the case widgets) read and write, the hit
// targets of the desk's hit test, the screen layout constants and the desk's options.
//
// All of it lives on the main thread except DESK_GESTURE and the busy flag, which the
// shell's keyboard step and frame-switch thread read; every value is an atomic word so no
// access tears.
#pragma once
#include <atomic>
#include <cstdint>

namespace wf::desk {

// Hit targets (results of Desk::hit_test).
inline constexpr int HIT_EMPTY = -1;      // the whiteboard itself
inline constexpr int HIT_TOPBAR = -2;     // the top bar, or the open top menu
inline constexpr int HIT_STATUSBAR = -3;
inline constexpr int HIT_TOOLS = 0;       // the tools bar
inline constexpr int HIT_PANEL = 5;       // the board selector
inline constexpr int HIT_CASE = 100;      // 100 + slot for a case

// Gesture states (DESK_GESTURE). -1: no gesture yet.
inline constexpr int GESTURE_NONE = -1;
inline constexpr int GESTURE_LDOWN = 0;
inline constexpr int GESTURE_LUP = 1;
inline constexpr int GESTURE_RDOWN = 2;
inline constexpr int GESTURE_RUP = 3;
inline constexpr int GESTURE_MODALDRAG = 4;
inline constexpr int GESTURE_PAN = 5;
inline constexpr int GESTURE_WHEEL = 6;
inline constexpr int GESTURE_PEEK = 7;
inline constexpr int GESTURE_CASEDRAG = 10;
inline constexpr int GESTURE_RCANCEL = -99;

// Association modes (DESK_LINK) and sign modes (DESK_SIGN).
inline constexpr int LINK_NONE = -1;
inline constexpr int LINK_UP = 4;
inline constexpr int LINK_LATERAL = 5;
inline constexpr int LINK_DOWN = 6;
inline constexpr int SIGN_NONE = -1;
inline constexpr int SIGN_ADD = 10;
inline constexpr int SIGN_REMOVE = 11;

// Screen layout: top bar height, notice strip top (status bar top is H - 27).
inline constexpr int kTopBarNormal = 63;
inline constexpr int kTopBarLite = 30;
inline constexpr int kNoticeTopNormal = 66;
inline constexpr int kNoticeTopLite = 33;
inline constexpr int kStatusBarHeight = 27;
inline constexpr int kNoticeHeight = 32;

// Process-wide desk values.
inline std::atomic<int32_t> DESK_GESTURE{GESTURE_NONE};
inline std::atomic<int32_t> DESK_PICK{HIT_EMPTY};     // hit target of the last left press
inline std::atomic<int32_t> DESK_MENU{-1};            // -1 closed, 0 open
inline std::atomic<int32_t> DESK_DIALOG{-1};          // -1 none, else the dialog number
inline std::atomic<int32_t> DESK_RENAME{0};           // 1 while the rename box is open
inline std::atomic<int32_t> DESK_LINK{LINK_NONE};     // association mode
inline std::atomic<int32_t> DESK_SIGN{SIGN_NONE};     // sign mode of a map
inline std::atomic<int32_t> DESK_PANEL{-1};           // 100 + index while the selector holds the pointer
inline std::atomic<int32_t> DESK_MOVEWIN{-1};         // 0 while the window is moved
inline std::atomic<int32_t> DESK_CLOSEARM{0};         // -1 armed (pointer over close), 0 not

// Values the case widgets share with the desk.
inline std::atomic<int32_t> DESK_DRAGCASE{-1};        // slot + 100 while a case is dragged
inline std::atomic<int32_t> DESK_RESIZING{0};         // 1 while a post is being resized
inline std::atomic<int32_t> DESK_SCROLLDRAG{-1};      // slot of the case whose scroll thumb is dragged
inline std::atomic<int32_t> DESK_LEFT_RELEASED{0};    // a left release was processed this frame
inline std::atomic<int32_t> DESK_RIGHT_RELEASED{0};   // a right release was processed this frame
inline std::atomic<int32_t> DESK_DIALOG_OPEN{0};      // a dialog with a backdrop is open
inline std::atomic<int32_t> DESK_ACCOUNT_PANEL{0};    // the account panel of the sign-in is open
inline std::atomic<int32_t> DESK_LOCKED{0};           // the lock screen is shown

// The desk's view of the account settings it uses (filled from the settings at
// construction and written back by the parts that change them).
struct DeskOptions {
  std::atomic<int32_t> lite{0};            // compact layout
  std::atomic<int32_t> wallpaper{0};       // night wallpaper
  std::atomic<int32_t> axes{1};            // origin axes
  std::atomic<int32_t> quick_new{1};       // Ctrl+N creates at once
  std::atomic<int32_t> theme{0};           // background theme 0-4
  std::atomic<int32_t> selector_unfolded{0};
  std::atomic<int32_t> fps_readout{0};     // Ctrl+F1
  std::atomic<int32_t> account_index{-1};  // settings file of the signed-in account (-1 local)
  std::atomic<int32_t> local_account{1};   // the local account never syncs
};
inline DeskOptions g_desk_options;

// Window size of the desk, stored at construction and on resize.
inline std::atomic<int32_t> DESK_WIDTH{0};
inline std::atomic<int32_t> DESK_HEIGHT{0};

inline int top_bar_height() { return g_desk_options.lite ? kTopBarLite : kTopBarNormal; }
inline int notice_top() { return g_desk_options.lite ? kNoticeTopLite : kNoticeTopNormal; }
inline int status_bar_top() { return DESK_HEIGHT - kStatusBarHeight; }

// Background themes: canvas colour and axis colour.
inline constexpr int kThemeCount = 5;
inline constexpr uint32_t kThemeBackground[kThemeCount] = {0xC7D1D2, 0xB8B0A5, 0x7F7F7F,
                                                           0x1E1E1E, 0x7092BE};
inline constexpr uint32_t kThemeAxis[kThemeCount] = {0x939EB0, 0xDBDBDB, 0xB3B3B3, 0x777777,
                                                     0xB0B8C5};

}  // namespace wf::desk
