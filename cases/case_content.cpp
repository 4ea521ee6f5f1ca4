// The content of a post as the widget shows it: the closing newlines, the display lines
// (text lines wrapped to the content width, item lines for the "**img:", "**fle:" and
// "**htp:" markers) and the content image with the visible lines.
//
// This is the reading side only: editing, the caret, selections, picture previews and the
// undo history come with the editor. Every read of the text and the item slots is bounded
// by its field, whatever the record holds.
#include <cstring>

#include "cases/case_internal.h"
#include "store/stamp.h"

namespace wf::cases {
namespace {

constexpr draw::color_t kFileColor = 0x0000A8;
constexpr draw::color_t kLinkColor = 0x5454FC;
constexpr draw::color_t kLinkWaitColor = 0xA80000;
constexpr int kBoldWeight = 700;
constexpr char kWaitingTitle[] = "等待标题...";

// Text length that layout may use, leaving room for the terminator.
int text_length(const store::CaseRecord* rec) {
  return static_cast<int>(store::field_length(rec->text, store::kTextField - 1));
}

// Appends the closing newlines: from the third-last byte to the last, each one that is not
// a newline adds one, stopping at the first newline. Never past the field.
void close_text(store::CaseRecord* rec) {
  int len = text_length(rec);
  int add = 0;
  for (int back = kClosingNewlines; back >= 1; --back) {
    int at = len - back;
    if (at >= 0 && rec->text[at] == '\n') break;
    ++add;
  }
  if (add == 0) return;
  under_desk_lock([&] {
    for (int i = 0; i < add && len + 1 < store::kTextField; ++i) rec->text[len++] = '\n';
    rec->text[len] = 0;
  });
}

// The slot number of an item marker at p ("**img:07\n"): its value, or -1 when the digits
// are missing or name no slot. *next: the offset after the marker's newline.
int marker_slot(const char* text, int at, int len, int* next) {
  int p = at + 6;
  int value = 0;
  int digits = 0;
  while (p < len && text[p] != '\n') {
    char c = text[p];
    if (c < '0' || c > '9' || digits >= 3) return -1;
    value = value * 10 + (c - '0');
    ++digits;
    ++p;
  }
  if (digits == 0 || value >= store::kContentItems) return -1;
  *next = p < len ? p + 1 : p;
  return value;
}

uint32_t marker_kind(const char* text, int at, int len) {
  if (len - at < 6 || text[at] != '*' || text[at + 1] != '*' || text[at + 5] != ':') return 0;
  if (std::memcmp(text + at + 2, "img", 3) == 0) return kItemImage;
  if (std::memcmp(text + at + 2, "fle", 3) == 0) return kItemFile;
  if (std::memcmp(text + at + 2, "htp", 3) == 0) return kItemLink;
  return 0;
}

// Collects one text line from `at`; returns its length in bytes (at least 1).
int take_text_line(const char* text, int at, int len, int width, int char_width) {
  int r = width;
  int p = at;
  while (p < len) {
    unsigned char c = static_cast<unsigned char>(text[p]);
    if (c == '\n') {
      if (r > 6) ++p;
      break;
    }
    if (c >= 0x80) {
      if (r <= 13) break;
      p += (p + 1 < len) ? 2 : 1;
      r -= 2 * char_width;
    } else {
      if (r <= 6) break;
      ++p;
      r -= char_width;
    }
  }
  return p > at ? p - at : 1;
}

}  // namespace

void layout_content(store::CaseRecord* rec, const CaseMetrics& m, CaseWidget::Impl* impl) {
  close_text(rec);
  const char* text = rec->text;
  const int len = text_length(rec);
  impl->lines.clear();
  int at = 0;
  while (at < len && static_cast<int>(impl->lines.size()) < kMaxLines) {
    ContentLine line;
    line.start = at;
    uint32_t kind = marker_kind(text, at, len);
    int next = 0;
    int slot = kind != 0 ? marker_slot(text, at, len, &next) : -1;
    if (slot >= 0) {
      const store::ContentItem& item = rec->items[slot];
      line.slot = slot;
      line.kind = kind == kItemLink && item.kind == kItemLinkWait ? kItemLinkWait : kind;
      line.length = next - at;
      at = next;
    } else {
      line.length = take_text_line(text, at, len, m.content_width, m.char_width);
      at += line.length;
    }
    impl->lines.push_back(line);
  }
  impl->total_rows = static_cast<int>(impl->lines.size());
  if (impl->first_line >= impl->total_rows) impl->first_line = 0;

  // Scroll bar: thumb height and pixels per row from the rows and the track.
  int track = m.track_height;
  int rows = impl->total_rows > 0 ? impl->total_rows : 1;
  int visible = m.rows > 0 ? m.rows : 1;
  double pages = static_cast<double>(rows) / visible;
  int thumb = pages > 0 ? static_cast<int>(track / pages) : track;
  if (thumb > track || thumb <= 0) thumb = track;
  impl->thumb_height = thumb;
  impl->pixels_per_row = track / rows;
  impl->content_dirty = true;
}

void draw_content(const store::CaseRecord* rec, const CaseMetrics& m, int skin,
                  CaseWidget::Impl* impl) {
  draw::PIMAGE img = impl->content;
  if (img == nullptr) return;
  const CaseColors& colors = case_colors(skin);
  draw::backcolor(colors.body, img);
  draw::clearimage(img);
  draw::textbackmode(draw::TEXT_TRANSPARENT, img);
  draw::choosefont(m.font_height, 0, "宋体", img);
  draw::FONTDESC plain = draw::currentfont(img);
  draw::FONTDESC bold = plain;
  bold.weight = kBoldWeight;

  char buffer[store::kTextField + 1];
  int y = 0;
  int shown = 0;
  for (size_t i = static_cast<size_t>(impl->first_line);
       i < impl->lines.size() && shown < m.rows; ++i, ++shown, y += m.line_height) {
    const ContentLine& line = impl->lines[i];
    if (line.kind == kLineText) {
      int n = line.length;
      if (n > 0 && rec->text[line.start + n - 1] == '\n') --n;
      for (int k = 0; k < n; ++k) {
        unsigned char c = static_cast<unsigned char>(rec->text[line.start + k]);
        buffer[k] = (c >= 0x01 && c < 0x20) ? ' ' : static_cast<char>(c);
      }
      buffer[n] = 0;
      if (n == 0) continue;
      draw::linecolor(colors.body_text, img);
      draw::drawtext(0, y, buffer, img);
      continue;
    }
    const store::ContentItem& item = rec->items[line.slot];
    const char* label = buffer;
    draw::color_t color = kFileColor;
    if (line.kind == kItemLinkWait) {
      label = kWaitingTitle;
      color = kLinkWaitColor;
    } else {
      size_t n = store::field_length(item.name, sizeof item.name - 1);
      std::memcpy(buffer, item.name, n);
      buffer[n] = 0;
      color = line.kind == kItemLink ? kLinkColor : kFileColor;
    }
    draw::choosefont(&bold, img);
    draw::linecolor(color, img);
    draw::drawtext(0, y, label, img);
    draw::choosefont(&plain, img);
  }
  impl->content_dirty = false;
  impl->composed_dirty = true;
}

int picture_slot_at_row(const store::CaseRecord* rec, const CaseWidget::Impl* impl, int row) {
  if (row < 0) return -1;
  size_t i = static_cast<size_t>(impl->first_line) + static_cast<size_t>(row);
  if (i >= impl->lines.size()) return -1;
  const ContentLine& line = impl->lines[i];
  if (line.kind != kItemImage || line.slot < 0) return -1;
  if (rec->items[line.slot].kind != kItemImage) return -1;
  return line.slot;
}

std::string safe_item_path(const char* field, size_t cap) {
  std::string path(field, store::field_length(field, cap));
  if (path.empty()) return {};
  if (path[0] == '\\' || path[0] == '/' || path.find(':') != std::string::npos) return {};
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    if (path.compare(start, end - start, "..") == 0) return {};
    start = end + 1;
  }
  return path;
}

}  // namespace wf::cases
