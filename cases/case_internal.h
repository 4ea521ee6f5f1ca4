// What the widget's source files share: its images, its display lines and the helpers that
// take the desk data lock around record changes. Not for use outside cases/.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "cases/case_widget.h"
#include "draw/graphics.h"
#include "shell/globals.h"

namespace wf::cases {

// Content item kinds (CaseRecord item slots) and the display line kind of text.
constexpr uint32_t kItemFree = 0;
constexpr uint32_t kItemFile = 0x1011;
constexpr uint32_t kItemImage = 0x1012;
constexpr uint32_t kItemLink = 0x1020;
constexpr uint32_t kItemLinkWait = 0x1021;
constexpr uint32_t kLineText = 0x1000;
constexpr int kMaxLines = 1000;
constexpr int kMarkerBytes = 9;       // "**img:07\n"
constexpr int kClosingNewlines = 3;

// One display line of a post's content.
struct ContentLine {
  uint32_t kind = kLineText;  // kLineText or an item kind
  int start = 0;              // byte offset in the text
  int length = 0;             // bytes of the text (text lines, closing newline included)
  int rows = 1;
  int slot = -1;              // item lines: the item slot 0..29
};

struct CaseWidget::Impl {
  draw::PIMAGE background = nullptr;  // w x h: body, title bar, outline
  draw::PIMAGE title_bar = nullptr;   // 232 x 30, drawn when the skin picture is missing
  draw::PIMAGE track = nullptr;       // 10 x (h - 53)
  draw::PIMAGE thumbs[3] = {};        // normal, hovered, pressed
  draw::PIMAGE content = nullptr;     // content width x content height
  draw::PIMAGE picture = nullptr;     // photo: framed picture; map: plain picture
  draw::PIMAGE caption = nullptr;     // black caption strip
  draw::PIMAGE shadow_h = nullptr;    // W x 3
  draw::PIMAGE shadow_v = nullptr;    // 3 x H
  // A post drawn opaque: background, title and content in one image, copied with one plain
  // copy per frame; rebuilt when one of them changes.
  draw::PIMAGE composed = nullptr;
  bool composed_dirty = true;
  char composed_title[store::kNameField] = {};

  std::vector<ContentLine> lines;
  int total_rows = 0;
  int first_line = 0;       // first visible line
  int thumb_height = 0;
  int pixels_per_row = 0;
  int thumb_offset = 0;
  bool content_dirty = true;

  // Resolved association lists (up, lateral, down, as in the record): the entry count they
  // were resolved for and the target slot of each entry (-1: not among the loaded cases).
  struct Links {
    int count = -1;
    int16_t slot[store::kAssociations] = {};
  };
  Links links[3];
};

inline void drop_image(draw::PIMAGE& image) {
  draw::dropimage(image);
  image = nullptr;
}

// Runs f while holding the desk data lock (record writes that other threads read).
template <class F>
void under_desk_lock(F&& f) {
  std::lock_guard<std::recursive_mutex> hold(shell::g_shell.desk_data_lock);
  f();
}

// Content layout and drawing of posts and titles (case_content.cpp).
void layout_content(store::CaseRecord* rec, const CaseMetrics& m, CaseWidget::Impl* impl);
void draw_content(const store::CaseRecord* rec, const CaseMetrics& m, int skin,
                  CaseWidget::Impl* impl);
// The item slot of the picture line at content row `row` (counted from the first visible
// line), or -1.
int picture_slot_at_row(const store::CaseRecord* rec, const CaseWidget::Impl* impl, int row);

// A stored item path that stays inside the data folder: relative, no ".." part, no drive
// or root. Empty when the path is unusable.
std::string safe_item_path(const char* field, size_t cap);

}  // namespace wf::cases
