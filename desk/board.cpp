// The whiteboard canvas: the table of whiteboard states, the case clipboard and the
// operations on the shown whiteboard's cases (see board.h).
//
// Records live in the store; a widget is made for every slot whose record exists. Slots
// whose record could not be read keep no widget and take no place in the stacking order,
// so every loop below skips empty widget slots.
#include "desk/board.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>

#include "cases/case_widget.h"
#include "desk/desk_state.h"
#include "desk/parts.h"
#include "draw/graphics.h"
#include "shell/globals.h"
#include "store/datastore.h"
#include "store/journal.h"
#include "store/records.h"

namespace wf::desk {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;
inline std::recursive_mutex& data_lock() { return shell::g_shell.desk_data_lock; }

// A map's level byte: the record byte just before the pin flag.
constexpr size_t kCaseLevel = 88;
constexpr const char kNewCaseContent[] = "\n\n\n\n\n";
constexpr int kNewCaseWidth = 2 * kNewCaseHalfWidth;
constexpr int kNewCaseHeight = 2 * kNewCaseHalfHeight;
constexpr draw::color_t kProgressColor = 0x00A800;
// Origins beyond this come only from damaged records; keeping them inside it keeps every
// sum of an origin and a screen position far from overflowing.
constexpr int32_t kOriginLimit = 1 << 24;

int32_t clamp_origin(int64_t v) { return int32_t(std::clamp<int64_t>(v, -kOriginLimit, kOriginLimit)); }

std::array<std::unique_ptr<BOARD_STATE>, store::kDirSlots * store::kFrameSlots> g_boards;

// The whiteboard whose widgets the loading progress creates.
int g_loading_dir = -1;
int g_loading_frame = -1;
float g_progress_step = 0.0f;

uint8_t& level_byte(store::CaseRecord* rec) {
  return reinterpret_cast<uint8_t*>(rec)[kCaseLevel];
}

cases::CaseWidget* widget_at(BOARD_STATE& b, int slot) {
  if (slot < 0 || slot >= kBoardSlots) return nullptr;
  return b.widgets[slot];
}

// Saves a case record and enters a modify record for it.
// A case whose file could not be written gets no journal record (nothing changed on disk).
void save_and_journal_case(store::Position pos) {
  if (store::save_case(pos.dir, pos.frame, pos.kase) != 0) return;
  store::journal_append(store::kOpModify, store::kClassCase, pos);
}

void journal_frame_count(int dir, int frame) {
  store::journal_append(store::kOpItemCount, store::kClassFrame, {dir, frame, -1});
}

// Saves the record of every widget whose modified flag is set (with its position).
int save_modified(BOARD_STATE& b) {
  Lock hold(data_lock());
  int written = 0;
  for (int s = 0; s < kBoardSlots; ++s) {
    cases::CaseWidget* w = b.widgets[s];
    if (!w || !w->modified()) continue;
    w->store_position(b.origin_x, b.origin_y);
    save_and_journal_case(w->position());
    w->clear_modified();
    ++written;
  }
  return written;
}

void destroy_widgets(BOARD_STATE& b) {
  Lock hold(data_lock());
  for (auto& w : b.widgets) {
    if (!w) continue;
    w->destroy();
    delete w;
    w = nullptr;
  }
  b.order_count = 0;
}

// Creates the widget of one slot; false when its record is missing.
bool create_widget(BOARD_STATE& b, int dir, int frame, int slot) {
  Lock hold(data_lock());
  if (b.widgets[slot]) return true;
  auto* w = new cases::CaseWidget();
  if (w->create({dir, frame, slot}, slot, b.origin_x, b.origin_y, b.hits[slot]) !=
      cases::kCaseOk) {
    delete w;
    return false;
  }
  b.widgets[slot] = w;
  b.order[b.order_count++] = slot;
  return true;
}

// Widgets for every slot, stacking order = slot order.
void create_all_widgets(BOARD_STATE& b, int dir, int frame) {
  Lock hold(data_lock());
  b.order_count = 0;
  for (int s = 0; s < b.case_count; ++s) create_widget(b, dir, frame, s);
}

int clamp_count(uint32_t n, int cap) { return n > uint32_t(cap) ? cap : int(n); }

bool same_date(const store::Stamp& a, const store::Stamp& b) {
  return cases::date_key_of(a) == cases::date_key_of(b);
}

// Removes every entry of one list that points at the stamp; returns whether any went.
bool remove_entries(store::AssociationList& list, const store::Stamp& target) {
  int n = clamp_count(list.count, store::kAssociations);
  int kept = 0;
  for (int i = 0; i < n; ++i) {
    if (same_date(list.cases[i], target)) continue;
    list.cases[kept++] = list.cases[i];
  }
  for (int i = kept; i < store::kAssociations && i < n; ++i) list.cases[i] = store::Stamp{};
  bool changed = kept != n || list.count != uint32_t(n);
  list.count = uint32_t(kept);
  return changed;
}

// In every case of (dir, frame) except `except`, removes the associations that point at
// the stamp, saving and journalling each changed case.
void remove_links_to(int dir, int frame, const store::Stamp& target, int except) {
  int n = store::case_count(dir, frame);
  for (int k = 0; k < n; ++k) {
    if (k == except) continue;
    store::CaseRecord* rec = store::case_record(dir, frame, k);
    if (!rec) continue;
    bool changed;
    {
      Lock hold(data_lock());
      changed = remove_entries(rec->up, target);
      changed = remove_entries(rec->down, target) || changed;
      changed = remove_entries(rec->lateral, target) || changed;
    }
    if (changed) save_and_journal_case({dir, frame, k});
  }
}

void clear_lists(store::CaseRecord* rec) {
  Lock hold(data_lock());
  std::memset(&rec->up, 0, sizeof rec->up);
  std::memset(&rec->down, 0, sizeof rec->down);
  std::memset(&rec->lateral, 0, sizeof rec->lateral);
}

// The slot of the Frame's case with this identity, trying the hinted slot first; -1.
int find_case(int dir, int frame, const store::Stamp& id, int hint) {
  store::CaseRecord* rec = store::case_record(dir, frame, hint);
  if (rec && store::same_object(rec->own, id)) return hint;
  int n = store::case_count(dir, frame);
  for (int k = 0; k < n; ++k) {
    rec = store::case_record(dir, frame, k);
    if (rec && store::same_object(rec->own, id)) return k;
  }
  return -1;
}

// Appends an entry to a list unless the list is full or holds it already.
bool add_entry(store::AssociationList& list, const store::Stamp& target) {
  int n = clamp_count(list.count, store::kAssociations);
  for (int i = 0; i < n; ++i)
    if (same_date(list.cases[i], target)) return false;
  if (n >= store::kAssociations) return false;
  list.cases[n] = target;
  list.count = uint32_t(n + 1);
  return true;
}

}  // namespace

BOARD_STATE* board_state(int dir, int frame) {
  if (dir < 0 || dir >= store::kDirSlots || frame < 0 || frame >= store::kFrameSlots)
    return nullptr;
  auto& entry = g_boards[size_t(dir) * store::kFrameSlots + size_t(frame)];
  if (!entry) entry = std::make_unique<BOARD_STATE>();
  return entry.get();
}

int current_dir() { return store::g_store.cur_dir; }
int current_frame() { return store::g_store.cur_frame; }

BOARD_STATE& current_board() {
  BOARD_STATE* b = board_state(current_dir(), current_frame());
  if (b) return *b;
  static BOARD_STATE empty;  // an out-of-range index shows an empty whiteboard
  return empty;
}

int load_board(int dir, int frame, bool with_widgets) {
  store::FrameRecord* fr = store::frame_record(dir, frame);
  BOARD_STATE* b = board_state(dir, frame);
  if (!fr || !b) return -1;
  Lock hold(data_lock());
  save_modified(*b);
  destroy_widgets(*b);
  store::load_cases(dir, frame);
  b->origin_x = clamp_origin(fr->origin_x);
  b->origin_y = clamp_origin(fr->origin_y);
  b->case_count = clamp_count(fr->case_count, kBoardSlots);
  b->focus = kFocusNone;
  b->loaded = 1;
  if (with_widgets) {
    create_all_widgets(*b, dir, frame);
  } else {
    g_loading_dir = dir;
    g_loading_frame = frame;
  }
  return b->case_count == 0 ? 1 : 0;
}

int store_layout(int dir, int frame) {
  store::FrameRecord* fr = store::frame_record(dir, frame);
  BOARD_STATE* b = board_state(dir, frame);
  if (!fr || !b) return -1;
  Lock hold(data_lock());
  bool frame_changed = false;
  if (fr->origin_x != b->origin_x || fr->origin_y != b->origin_y) {
    fr->origin_x = b->origin_x;
    fr->origin_y = b->origin_y;
    frame_changed = true;
  }
  for (int s = 0; s < kBoardSlots; ++s) {
    cases::CaseWidget* w = b->widgets[s];
    if (!w) continue;
    bool moved = w->store_position(b->origin_x, b->origin_y);
    if (moved || w->modified()) {
      save_and_journal_case(w->position());
      w->clear_modified();
    }
    w->clear_position_pending();
  }
  bool identity = true;
  for (int i = 0; i < b->order_count; ++i)
    if (b->order[i] != i) identity = false;
  // Only a complete order (every record has its widget) can be a permutation of the list.
  if (!identity && b->order_count == b->case_count && b->case_count > 0) {
    store::reorder_cases(dir, frame, b->order, b->order_count);
    frame_changed = true;
  }
  destroy_widgets(*b);
  b->case_count = 0;
  b->loaded = 0;
  if (frame_changed) {
    store::save_frame(dir, frame);
    store::journal_append(store::kOpModify, store::kClassFrame, {dir, frame, -1});
  }
  return 0;
}

void drop_widgets() {
  BOARD_STATE& b = current_board();
  save_modified(b);
  destroy_widgets(b);
}

void pan_board(int dx, int dy) {
  BOARD_STATE& b = current_board();
  Lock hold(data_lock());
  int32_t nx = clamp_origin(int64_t(b.origin_x) + dx), ny = clamp_origin(int64_t(b.origin_y) + dy);
  dx = nx - b.origin_x;
  dy = ny - b.origin_y;
  b.origin_x = nx;
  b.origin_y = ny;
  for (int i = 0; i < b.order_count; ++i) {
    cases::CaseWidget* w = widget_at(b, b.order[i]);
    if (!w) continue;
    if (w->pinned()) {
      // Its board position changes: the auto-save pass writes it back.
      if (dx || dy) w->set_modified();
    } else {
      w->move_by(dx, dy);
    }
  }
}

void reset_origin() {
  BOARD_STATE& b = current_board();
  if (b.origin_x == 0 && b.origin_y == 0) return;
  pan_board(-b.origin_x, -b.origin_y);
}

int front_slot() {
  BOARD_STATE& b = current_board();
  return b.order_count > 0 ? b.order[0] : -1;
}

int bring_to_front(int slot) {
  BOARD_STATE& b = current_board();
  cases::CaseWidget* w = widget_at(b, slot);
  if (!w || slot >= b.case_count) return 1;
  if (w->kind() == store::kCaseMap && level_byte(w->record()) == kLevelLocked) return 1;
  Lock hold(data_lock());
  int pos = -1;
  for (int i = 0; i < b.order_count; ++i)
    if (b.order[i] == slot) pos = i;
  if (pos < 0) return 1;
  b.focus = kFocusFront;
  cases::CaseWidget* previous = widget_at(b, b.order[0]);
  if (previous) previous->clear_was_front();
  w->clear_was_front();
  if (pos == 0) return 2;
  std::memmove(&b.order[1], &b.order[0], sizeof(int32_t) * size_t(pos));
  b.order[0] = slot;
  if (previous && previous->position_pending()) {
    previous->store_position(b.origin_x, b.origin_y);
    previous->clear_position_pending();
    save_and_journal_case(previous->position());
  }
  return 0;
}

namespace {
void move_to_tail(BOARD_STATE& b, int slot) {
  int pos = -1;
  for (int i = 0; i < b.order_count; ++i)
    if (b.order[i] == slot) pos = i;
  if (pos < 0) return;
  std::memmove(&b.order[pos], &b.order[pos + 1], sizeof(int32_t) * size_t(b.order_count - 1 - pos));
  b.order[b.order_count - 1] = slot;
}
}  // namespace

void send_to_bottom(int slot) {
  BOARD_STATE& b = current_board();
  cases::CaseWidget* w = widget_at(b, slot);
  if (!w || w->kind() != store::kCaseMap) return;
  Lock hold(data_lock());
  move_to_tail(b, slot);
}

void send_to_bottom_locked(int slot) {
  BOARD_STATE& b = current_board();
  cases::CaseWidget* w = widget_at(b, slot);
  if (!w || w->kind() != store::kCaseMap) return;
  Lock hold(data_lock());
  move_to_tail(b, slot);
  level_byte(w->record()) = kLevelLocked;
  w->set_modified();
}

void release_from_bottom(int slot) {
  BOARD_STATE& b = current_board();
  cases::CaseWidget* w = widget_at(b, slot);
  if (!w || w->kind() != store::kCaseMap) return;
  Lock hold(data_lock());
  level_byte(w->record()) = 0;
  w->set_modified();
}

void set_new_case_position(int x, int y) {
  BOARD_STATE& b = current_board();
  b.new_x = x;
  b.new_y = y;
}

int new_case(const char* text, int kind_code, int colour) {
  BOARD_STATE& b = current_board();
  int dir = current_dir(), frame = current_frame();
  if (b.case_count >= kMaxNewCases) return -1;
  Lock hold(data_lock());
  int x, y;
  if (b.case_count > 0) {
    x = b.new_x - b.origin_x;
    y = b.new_y - b.origin_y;
  } else {
    x = DESK_WIDTH / 2 - b.origin_x - kNewCaseHalfWidth;
    y = DESK_HEIGHT / 2 - b.origin_y - kNewCaseHalfHeight;
  }
  store::Position pos = store::new_case(dir, frame, text ? text : "",
                                        store::new_stamp(uint16_t(kind_code)));
  if (pos.kase < 0) return pos.kase == -1 ? -1 : -2;
  store::CaseRecord* rec = store::case_record(dir, frame, pos.kase);
  if (!rec) return -2;
  rec->skin = uint16_t(std::clamp(colour, 0, cases::kSkinCount - 1));
  rec->case_kind = store::kCasePost;
  rec->x = x;
  rec->y = y;
  rec->width = kNewCaseWidth;
  rec->height = kNewCaseHeight;
  store::copy_text(rec->text, sizeof rec->text, kNewCaseContent);
  store::save_case(dir, frame, pos.kase);
  b.case_count = store::case_count(dir, frame);
  if (!create_widget(b, dir, frame, pos.kase)) return -2;
  bring_to_front(pos.kase);
  return pos.kase;
}

int quick_new_case(bool quick) {
  set_new_case_position(DESK_WIDTH / 2 - kNewCaseHalfWidth, DESK_HEIGHT / 2 - kNewCaseHalfHeight);
  if (!quick) {
    DESK_DIALOG = 2;
    return 0;
  }
  return new_case("", kNewCaseKindCode, int(draw::randbelow(10)));
}

int mark_for_cut(int slot) {
  BOARD_STATE& b = current_board();
  int dir = current_dir(), frame = current_frame();
  store::FrameRecord* fr = store::frame_record(dir, frame);
  store::CaseRecord* rec = store::case_record(dir, frame, slot);
  if (!fr || !rec || slot < 0 || slot >= b.case_count) return -1;
  g_case_clipboard.dir = dir;
  g_case_clipboard.frame = frame;
  g_case_clipboard.slot = slot;
  g_case_clipboard.identity = fr->case_stamps[slot];
  g_case_clipboard.date_key = cases::date_key_of(rec->own);
  return 0;
}

void empty_clipboard() { g_case_clipboard = CaseClipboard{}; }

bool clipboard_empty() {
  static const store::Stamp zero{};
  return std::memcmp(&g_case_clipboard.identity, &zero, sizeof zero) == 0;
}

bool in_clipboard(int slot) {
  if (clipboard_empty()) return false;
  if (g_case_clipboard.dir != current_dir() || g_case_clipboard.frame != current_frame())
    return false;
  return g_case_clipboard.slot == slot;
}

int paste_case(int x, int y) {
  if (clipboard_empty()) return -1;
  int dir = current_dir(), frame = current_frame();
  int sd = g_case_clipboard.dir, sf = g_case_clipboard.frame;
  if (sd == dir && sf == frame) {
    empty_clipboard();
    return -2;
  }
  BOARD_STATE& b = current_board();
  if (b.case_count >= kBoardSlots || store::case_count(dir, frame) >= kBoardSlots) return -3;
  // The source whiteboard's records are read only when it was shown last; read them now.
  if (!store::case_record(sd, sf, g_case_clipboard.slot) && !store::case_record(sd, sf, 0))
    store::load_cases(sd, sf);
  int src = find_case(sd, sf, g_case_clipboard.identity, g_case_clipboard.slot);
  if (src < 0) {
    empty_clipboard();
    return -4;
  }
  store::CaseRecord* moved = store::case_record(sd, sf, src);
  remove_links_to(sd, sf, moved->own, src);
  clear_lists(moved);

  Lock hold(data_lock());
  std::unique_ptr<store::CaseRecord> rec;
  if (store::take_case(sd, sf, src, &rec) != 0 || !rec) {
    empty_clipboard();
    return -4;
  }
  store::save_frame(sd, sf);
  journal_frame_count(sd, sf);
  if (BOARD_STATE* sb = board_state(sd, sf)) sb->case_count = store::case_count(sd, sf);

  rec->x = x - b.origin_x;
  rec->y = y - b.origin_y;
  store::Position pos = store::put_case(dir, frame, std::move(rec));
  if (pos.kase < 0) {
    empty_clipboard();
    return -3;
  }
  store::save_frame(dir, frame);
  journal_frame_count(dir, frame);
  save_and_journal_case(pos);
  b.case_count = store::case_count(dir, frame);
  create_widget(b, dir, frame, pos.kase);
  bring_to_front(pos.kase);
  empty_clipboard();
  return 0;
}

int delete_case(int slot) {
  BOARD_STATE& b = current_board();
  int dir = current_dir(), frame = current_frame();
  store::CaseRecord* rec = store::case_record(dir, frame, slot);
  if (!rec || slot < 0 || slot >= b.case_count) return -1;
  store::Stamp id = rec->own;
  remove_links_to(dir, frame, id, slot);
  if (in_clipboard(slot)) empty_clipboard();

  Lock hold(data_lock());
  store_layout(dir, frame);  // writes moved cases back and drops the widgets
  b.loaded = 1;
  int k = find_case(dir, frame, id, slot);
  if (k >= 0) store::delete_case(dir, frame, k);
  b.case_count = store::case_count(dir, frame);
  b.focus = kFocusNone;
  create_all_widgets(b, dir, frame);
  return b.case_count == 0 ? 1 : 0;
}

int recolour_case(int slot, int colour) {
  cases::CaseWidget* w = widget_at(current_board(), slot);
  if (!w) return -1;
  w->recolour(std::clamp(colour, 0, cases::kSkinCount - 1));
  return 0;
}

int associate(int mode, int source, int target) {
  BOARD_STATE& b = current_board();
  cases::CaseWidget* ws = widget_at(b, source);
  cases::CaseWidget* wt = widget_at(b, target);
  if (!ws || !wt || source == target) return -1;
  store::CaseRecord* s = ws->record();
  store::CaseRecord* t = wt->record();
  bool target_takes = wt->kind() != store::kCaseMap;
  Lock hold(data_lock());
  switch (mode) {
    case LINK_UP:
      add_entry(s->up, t->own);
      if (target_takes) add_entry(t->down, s->own);
      break;
    case LINK_DOWN:
      add_entry(s->down, t->own);
      if (target_takes) add_entry(t->up, s->own);
      break;
    case LINK_LATERAL:
      add_entry(s->lateral, t->own);
      if (target_takes) add_entry(t->lateral, s->own);
      break;
    default:
      return -1;
  }
  ws->set_modified();
  wt->set_modified();
  return 0;
}

void set_progress_step(float step) {
  std::lock_guard<std::mutex> hold(shell::g_shell.progress_lock);
  g_progress_step = step;
}

void loading_progress_step() {
  float p = shell::progress();
  if (p >= 100.0f || p < 50.0f) return;
  Lock hold(data_lock());
  BOARD_STATE* b = board_state(g_loading_dir, g_loading_frame);
  if (!b) {
    shell::set_progress(100.0f);
    return;
  }
  int made = 0;
  bool pending = false;
  for (int s = 0; s < b->case_count; ++s) {
    if (b->widgets[s] || !store::case_record(g_loading_dir, g_loading_frame, s)) continue;
    if (made == kWidgetsPerFrame) {
      pending = true;
      break;
    }
    create_widget(*b, g_loading_dir, g_loading_frame, s);
    ++made;
    std::lock_guard<std::mutex> progress(shell::g_shell.progress_lock);
    shell::g_shell.load_progress = std::min(99.0f, shell::g_shell.load_progress + g_progress_step);
  }
  if (!pending) shell::set_progress(100.0f);
}

void draw_loading_progress() {
  float p = shell::progress();
  if (p >= 100.0f) return;
  int t = top_bar_height();
  int right = int(float(DESK_WIDTH) * p / 100.0f);
  draw::linecolor(kProgressColor);
  for (int i = 0; i < 3; ++i) draw::drawline(0, t + i, right, t + i);
}

int hit_cases(int x, int y, bool case_picked) {
  BOARD_STATE& b = current_board();
  for (int i = 0; i < b.order_count; ++i) {
    int slot = b.order[i];
    cases::CaseWidget* w = widget_at(b, slot);
    if (!w) continue;
    const int32_t* h = b.hits[slot];
    bool front = i == 0;
    if (front && w->kind() == store::kCasePost) {
      Rect body{w->x(), w->y(), w->x() + w->width(), w->y() + w->height()};
      Rect strip{w->x(), w->y() - cases::kTitleBarHeight, w->x() + cases::kTitleWidth, w->y()};
      if (body.contains(x, y) || (case_picked && strip.contains(x, y))) return HIT_CASE + slot;
      continue;
    }
    Rect r{h[cases::kHitLeft], h[cases::kHitTop], h[cases::kHitRight], h[cases::kHitBottom]};
    if (!front && w->kind() == store::kCasePost)
      r = Rect{w->x(), w->y(), w->x() + w->width(), w->y() + w->height()};
    if (!front && w->kind() == store::kCaseTitle)
      r = Rect{w->x(), w->y(), w->x() + cases::kTitleWidth, w->y() + cases::kTitleBarHeight};
    if (r.contains(x, y)) return HIT_CASE + slot;
    if (front && (w->kind() == store::kCasePhoto || w->kind() == store::kCaseMap)) {
      Rect s{h[cases::kHitStripLeft], h[cases::kHitStripTop], h[cases::kHitStripRight],
             h[cases::kHitStripBottom]};
      if (s.contains(x, y)) return HIT_CASE + slot;
    }
  }
  return HIT_EMPTY;
}

void draw_cases(bool ctrl, int px, int py) {
  if (shell::progress() < 100.0f || DESK_DIALOG_OPEN) return;
  BOARD_STATE& b = current_board();
  draw::PIMAGE target = draw::gettarget();  // passed on by name: the widgets switch targets
  for (int i = b.order_count - 1; i >= 0; --i)
    if (cases::CaseWidget* w = widget_at(b, b.order[i])) w->draw(target, false);
  if (!ctrl) return;
  int hit = hit_cases(px, py, DESK_PICK >= HIT_CASE);
  if (hit >= HIT_CASE)
    if (cases::CaseWidget* w = widget_at(b, hit - HIT_CASE)) w->draw(target, true);
}

void draw_axes() {
  BOARD_STATE& b = current_board();
  int t = top_bar_height();
  int theme = std::clamp(int(g_desk_options.theme), 0, kThemeCount - 1);
  draw::choosefont(-13, 0, "微软雅黑");
  draw::linecolor(kThemeAxis[theme]);
  draw::drawline(0, b.origin_y + t, DESK_WIDTH, b.origin_y + t);
  draw::drawline(b.origin_x, t, b.origin_x, DESK_HEIGHT);
  draw::drawtext(b.origin_x + 3, b.origin_y + t, "[0, 0]");
}

int autosave_cases() { return save_modified(current_board()); }

void reset_boards() {
  for (auto& entry : g_boards) {
    if (!entry) continue;
    destroy_widgets(*entry);
    entry.reset();
  }
  empty_clipboard();
  g_loading_dir = g_loading_frame = -1;
}

}  // namespace wf::desk
