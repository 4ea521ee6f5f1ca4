// The association lines a case draws: its three lists (up, down, lateral) resolved to the
// widgets of their target cases, each drawn from this case's anchor point to the target's
// anchor or to the map sign it ends on, with the end marks.
#include <algorithm>

#include "cases/case_art.h"
#include "cases/case_internal.h"
#include "cases/case_widget.h"

namespace wf::cases {
namespace {

constexpr uint8_t kEndsOnAnchor = 0;
constexpr uint8_t kEndsOnSign = 3;
constexpr unsigned kEndMarkAlpha = 239;
constexpr int kEndMarkDx = 12, kEndMarkDy = 22;
constexpr draw::color_t kListColors[3] = {0x000000, 0x00A800, 0xD70020};  // up, lateral, down
constexpr draw::color_t kLineShadowColor = 0x8E8E8E;
constexpr int kDrawOrder[3] = {0, 2, 1};  // up, down, lateral

const store::AssociationList& list_of(const store::CaseRecord* rec, int i) {
  return i == 0 ? rec->up : (i == 1 ? rec->lateral : rec->down);
}

int entry_count(const store::AssociationList& list) {
  return static_cast<int>(std::min<uint32_t>(list.count, store::kAssociations));
}

uint16_t sign_coord(const store::Stamp& entry, int at) {
  return static_cast<uint16_t>(entry.zero6[at] | (entry.zero6[at + 1] << 8));
}

CaseWidget* widget_in(int slot) {
  if (slot < 0 || g_case_desk.widget_at == nullptr) return nullptr;
  return g_case_desk.widget_at(slot);
}

void line_pair(draw::PIMAGE target, int ax, int ay, int ex, int ey, draw::color_t color) {
  draw::linecolor(color, target);
  draw::drawline(ax, ay, ex, ey, target);
  draw::drawline(ax, ay, ex + 1, ey, target);
  draw::drawline(ax + 1, ay, ex, ey, target);
  draw::drawline(ax + 1, ay, ex + 1, ey, target);
  draw::linecolor(kLineShadowColor, target);
  draw::drawline(ax, ay + 1, ex, ey + 1, target);
}

void end_mark_at(draw::PIMAGE target, int x, int y) {
  draw::PIMAGE mark = g_case_desk.end_mark != nullptr ? g_case_desk.end_mark()
                                                     : case_picture("TACI_MARK_END");
  if (mark != nullptr) {
    draw::putimage_keyblend(target, mark, x - kEndMarkDx, y - kEndMarkDy, 0, kEndMarkAlpha);
  }
}

}  // namespace

void CaseWidget::resolve() {
  if (record_ == nullptr) return;
  for (int i = 0; i < 3; ++i) {
    const store::AssociationList& list = list_of(record_, i);
    Impl::Links& links = impl_->links[i];
    links.count = entry_count(list);
    for (int e = 0; e < links.count; ++e) {
      links.slot[e] = -1;
      uint64_t key = date_key_of(list.cases[e]);
      if (g_case_desk.widget_at == nullptr) continue;
      for (int s = 0; s < store::kCaseSlots; ++s) {
        CaseWidget* w = g_case_desk.widget_at(s);
        if (w != nullptr && w != this && w->live() && w->date_key() == key) {
          links.slot[e] = static_cast<int16_t>(s);
          break;
        }
      }
    }
  }
}

void CaseWidget::draw_associations(draw::PIMAGE target) {
  if (g_case_desk.widget_at == nullptr) return;
  bool stale = false;
  for (int i = 0; i < 3; ++i) stale |= impl_->links[i].count != entry_count(list_of(record_, i));
  if (stale) resolve();
  for (int i : kDrawOrder) {
    const store::AssociationList& list = list_of(record_, i);
    const Impl::Links& links = impl_->links[i];
    if (links.count <= 0) continue;
    for (int e = 0; e < links.count; ++e) {
      CaseWidget* t = widget_in(links.slot[e]);
      const store::Stamp& entry = list.cases[e];
      if (t == nullptr || !t->live() || t->date_key() != date_key_of(entry)) {
        stale |= links.slot[e] >= 0;
        continue;
      }
      int ex = t->anchor_x(), ey = t->anchor_y();
      uint8_t ends = entry.zero2;
      if (ends == kEndsOnSign) {
        if (t->kind() != store::kCaseMap) continue;
        ex = t->x() + sign_coord(entry, 0);
        ey = t->y() + sign_coord(entry, 2);
      }
      line_pair(target, anchor_x_, anchor_y_, ex, ey, kListColors[i]);
      if (ends == kEndsOnAnchor) end_mark_at(target, ex, ey);
    }
    end_mark_at(target, anchor_x_, anchor_y_);
  }
  // A target slot that now holds another case: find the targets again next time.
  if (stale) impl_->links[0].count = -1;
}

}  // namespace wf::cases
