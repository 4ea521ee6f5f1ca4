// Case widget figures on the headless backend.
//
// Goal: one frame of the desk (update, mouse step, draw of a 1920 x 1040 desk with 100 posts)
// within 5.5 ms on one core, the 180-frame rate. The cases' part of it is drawing 100 posts
// with text and one hover update of the front-most case; BM_Draw100Posts shows that part
// alone, so the desk's frame figure can be split. Building widgets (BM_Create100Posts) runs
// when a whiteboard loads, five per frame: it should stay under the 5.5 ms frame for five.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "cases/case_widget.h"
#include "draw/graphics.h"
#include "platform/clock.h"
#include "store/records.h"

using namespace wf;

namespace {

constexpr int kPosts = 100;

struct Board {
  std::vector<std::unique_ptr<store::CaseRecord>> records;
  std::vector<std::unique_ptr<cases::CaseWidget>> widgets;
  draw::PIMAGE canvas = nullptr;

  Board() {
    platform::use_virtual_clock(true);
    draw::usebackend(draw::BACKEND_HEADLESS);
    draw::initgraph(1920, 1040);
    canvas = draw::newimage(1920, 1040);
    cases::g_case_desk = cases::CaseDesk{};
    cases::g_case_desk.front_slot = [] { return 0; };
    cases::g_case_desk.focus = [] { return 100; };
    for (int i = 0; i < kPosts; ++i) {
      auto rec = std::make_unique<store::CaseRecord>();
      store::Stamp own{};
      own.kind = store::kKindCase;
      own.year = 2026;
      own.second = static_cast<uint8_t>(i % 60);
      own.minute = static_cast<uint8_t>(i / 60);
      store::init_case_record(rec.get(), own, "Weekly plan");
      rec->skin = static_cast<uint16_t>(i % 10);
      rec->x = (i % 10) * 180;
      rec->y = 60 + (i / 10) * 95;
      rec->width = 422;
      rec->height = 300;
      std::snprintf(rec->text, sizeof rec->text,
                    "Item %d: call the printer people\nBring the drawings for room 4\n"
                    "Ask about the budget for March and April\nFinish the report\n", i);
      records.push_back(std::move(rec));
    }
  }
  void create() {
    widgets.clear();
    for (int i = 0; i < kPosts; ++i) {
      auto w = std::make_unique<cases::CaseWidget>();
      w->create_on(records[i].get(), {0, 0, i}, i, 0, 0);
      widgets.push_back(std::move(w));
    }
  }
  ~Board() {
    widgets.clear();
    draw::dropimage(canvas);
    draw::closegraph();
  }
};

void BM_Draw100Posts(benchmark::State& state) {
  Board board;
  board.create();
  for (auto _ : state) {
    board.widgets[0]->hover_update(false, 500, 500);
    for (int i = kPosts - 1; i >= 0; --i) board.widgets[i]->draw(board.canvas, false);
  }
  state.SetLabel("goal: part of a 5.5 ms frame");
}
BENCHMARK(BM_Draw100Posts)->Unit(benchmark::kMillisecond);

void BM_Create100Posts(benchmark::State& state) {
  Board board;
  for (auto _ : state) board.create();
  state.SetLabel("goal: 5 widgets well under 5.5 ms");
}
BENCHMARK(BM_Create100Posts)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
