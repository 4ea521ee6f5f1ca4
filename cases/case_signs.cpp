// Map signs: named points on a map's picture, stored in the map's CaseRecord (at most 60,
// each with a 10 x 10 hit box around its point). Names are "map_%d" with the count at the
// time the sign was added; they are not renumbered when a sign goes.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cases/case_internal.h"
#include "cases/case_widget.h"

namespace wf::cases {
namespace {

constexpr int kSignBox = 5;

int sign_count(const store::CaseRecord* rec) {
  return std::min<int>(rec->map_sign_count, store::kMapSigns);
}

}  // namespace

int CaseWidget::add_sign(int px, int py) {
  if (record_ == nullptr || kind_ != store::kCaseMap) return -1;
  if (record_->map_sign_count >= store::kMapSigns) return -1;
  const int n = record_->map_sign_count;
  const int rx = std::clamp(px - x_, 0, 0xFFFF), ry = std::clamp(py - y_, 0, 0xFFFF);
  under_desk_lock([&] {
    store::MapSign& sign = record_->map_signs[n];
    std::memset(&sign, 0, sizeof sign);
    std::snprintf(sign.name, sizeof sign.name, "map_%d", n);
    sign.x = static_cast<uint16_t>(rx);
    sign.y = static_cast<uint16_t>(ry);
    record_->map_sign_count = static_cast<uint16_t>(n + 1);
  });
  set_modified();
  return 0;
}

int CaseWidget::sign_under_point(int rx, int ry, int* sign_x, int* sign_y) const {
  if (record_ == nullptr || kind_ != store::kCaseMap) return -1;
  const int n = sign_count(record_);
  for (int i = 0; i < n; ++i) {
    const store::MapSign& s = record_->map_signs[i];
    if (s.x - kSignBox <= rx && rx < s.x + kSignBox && s.y - kSignBox <= ry &&
        ry < s.y + kSignBox) {
      if (sign_x != nullptr) *sign_x = s.x;
      if (sign_y != nullptr) *sign_y = s.y;
      return i;
    }
  }
  return -1;
}

int CaseWidget::remove_sign(int px, int py, int* sign_x, int* sign_y) {
  int i = sign_under_point(px - x_, py - y_, sign_x, sign_y);
  if (i < 0) return -1;
  const int n = sign_count(record_);
  under_desk_lock([&] {
    std::memmove(&record_->map_signs[i], &record_->map_signs[i + 1],
                 sizeof(store::MapSign) * static_cast<size_t>(n - 1 - i));
    std::memset(&record_->map_signs[n - 1], 0, sizeof(store::MapSign));
    record_->map_sign_count = static_cast<uint16_t>(n - 1);
  });
  set_modified();
  return 0;
}

}  // namespace wf::cases
