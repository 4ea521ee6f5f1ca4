// Throughput of the drawing layer on a 1920 x 1040 target, on the headless backend.
// Goal for the three pixel copies (keyed copy, global blend, keyed blend of a full-size
// source): at least 1 G pixels per second on one core. The blur and drawtext of a
// 40-character GBK line are reported for reference (pixels / glyphs per second).
#include <benchmark/benchmark.h>

#include <random>

#include "draw/graphics.h"

namespace {

using namespace wf::draw;

constexpr int W = 1920, H = 1040;

void start() {
  static bool started = false;
  if (started) return;
  usebackend(BACKEND_HEADLESS);
  graphmode(GRAPH_MANUAL, 0, 0);
  initgraph(W, H);
  started = true;
}

PIMAGE random_image(unsigned seed) {
  PIMAGE im = newimage(W, H);
  std::mt19937 rng(seed);
  uint32_t* px = imagebuffer(im);
  for (int i = 0; i < W * H; ++i) px[i] = (rng() % 5 == 0) ? 0u : (rng() & 0xFFFFFF);
  return im;
}

template <typename Fn>
void copy_bench(benchmark::State& state, Fn fn) {
  start();
  PIMAGE dst = random_image(1), src = random_image(2);
  for (auto _ : state) {
    fn(dst, src);
    benchmark::ClobberMemory();
  }
  state.counters["pixels/s"] =
      benchmark::Counter(double(W) * H * state.iterations(), benchmark::Counter::kIsRate);
  state.SetLabel("goal >= 1e9 pixels/s");
  dropimage(dst);
  dropimage(src);
}

void BM_KeyedCopy(benchmark::State& s) {
  copy_bench(s, [](PIMAGE d, PIMAGE src) { putimage_transparent(d, src, 0, 0, 0); });
}
void BM_GlobalBlend(benchmark::State& s) {
  copy_bench(s, [](PIMAGE d, PIMAGE src) { putimage_alphablend(d, src, 0, 0, 128); });
}
void BM_KeyedBlend(benchmark::State& s) {
  copy_bench(s, [](PIMAGE d, PIMAGE src) { putimage_keyblend(d, src, 0, 0, 0, 239); });
}

void BM_Blur(benchmark::State& state) {
  start();
  PIMAGE im = random_image(3);
  for (auto _ : state) {
    imagefilter_blurring(im, 240, 231);
    benchmark::ClobberMemory();
  }
  state.counters["pixels/s"] =
      benchmark::Counter(double(W) * H * state.iterations(), benchmark::Counter::kIsRate);
  dropimage(im);
}

void BM_DrawText40(benchmark::State& state) {
  start();
  PIMAGE im = newimage(W, H);
  choosefont(-14, 0, "宋体", im);
  textbackmode(TEXT_TRANSPARENT, im);
  // 40 characters: 20 Chinese, 20 Latin.
  const char* line = "白板便签工作台同步更新设置帮助关于账户窗口 abcdefghijklmnopqrs";
  for (auto _ : state) {
    drawtext(10, 10, line, im);
    benchmark::ClobberMemory();
  }
  state.counters["glyphs/s"] = benchmark::Counter(40.0 * state.iterations(), benchmark::Counter::kIsRate);
  dropimage(im);
}

BENCHMARK(BM_KeyedCopy)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GlobalBlend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyedBlend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Blur)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawText40)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
