// Shows arbitrary CaseRecord bytes (as read from a case file or received from a sync peer)
// in a widget on the headless backend: creation, hover, wheel, a click on the strip, both
// drawings. Short inputs are padded with zeros to a whole record.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "cases/case_widget.h"
#include "draw/graphics.h"
#include "platform/clock.h"
#include "platform/paths.h"

using namespace wf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static draw::PIMAGE canvas = [] {
    platform::use_virtual_clock(true);
    platform::set_program_folder("/nonexistent-wf-fuzz");
    draw::usebackend(draw::BACKEND_HEADLESS);
    draw::initgraph(640, 480);
    cases::g_case_desk.front_slot = [] { return 0; };
    cases::g_case_desk.focus = [] { return 100; };
    return draw::newimage(640, 480);
  }();
  auto rec = std::make_unique<store::CaseRecord>();
  std::memset(rec.get(), 0, sizeof *rec);
  std::memcpy(rec.get(), data, size < sizeof *rec ? size : sizeof *rec);
  // Huge sizes only make big images (the unit tests cover them); keep runs quick so the
  // time goes into the text, items, lists and signs.
  rec->width = rec->width > 1000 ? 1000 : rec->width;
  rec->height = rec->height > 1000 ? 1000 : rec->height;
  cases::CaseWidget widget;
  if (widget.create_on(rec.get(), {0, 0, 0}, 0, 0, 0) != cases::kCaseOk) return 0;
  int x = widget.x(), y = widget.y();
  widget.hover_update(false, x + 20, y - 10);
  widget.draw(canvas, false);
  widget.draw(canvas, true);
  widget.wheel(120, x + 20, y + 40);
  widget.wheel(-120, x + 20, y + 40, draw::MOUSE_CTRL);
  widget.pointer_release(x + 20 + 28 * 7, y - 10);
  widget.draw(canvas, false);
  return 0;
}
