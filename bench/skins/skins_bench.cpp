// Benchmarks of the skin set and the picture codec.
//
// Goals: the desk builds its skin table in under 20 ms (it runs before the first frame);
// the largest skin (the 1600 x 1000 night sky) loads in under 40 ms; a zoomed copy of a
// 1600 x 1200 photo at 55 % is made in under 150 ms (a zoom step on the wheel makes one).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "desk/picture_codec.h"
#include "desk/skin_table.h"
#include "draw/graphics.h"
#include "platform/picture_codec.h"

namespace fs = std::filesystem;
using namespace wf;

namespace {

void start_headless() {
  static bool started = false;
  if (started) return;
  draw::usebackend(draw::BACKEND_HEADLESS);
  draw::graphmode(draw::GRAPH_MANUAL, 0, 0);
  draw::initgraph(64, 48);
  started = true;
}

void BM_BuildSkinTable(benchmark::State& state) {
  start_headless();
  for (auto _ : state) {
    desk::build_skin_table(&desk::skin_table());
    desk::destroy_skin_table(&desk::skin_table());
  }
  state.SetLabel("goal: under 20 ms");
}
BENCHMARK(BM_BuildSkinTable)->Unit(benchmark::kMillisecond);

void BM_LoadNightSky(benchmark::State& state) {
  start_headless();
  draw::PIMAGE im = draw::newimage();
  for (auto _ : state) benchmark::DoNotOptimize(desk::load_skin_image(im, "WALLPAPER_STAR"));
  draw::dropimage(im);
  state.SetLabel("goal: under 40 ms");
}
BENCHMARK(BM_LoadNightSky)->Unit(benchmark::kMillisecond);

void BM_ZoomedCopy(benchmark::State& state) {
  fs::path dir = fs::temp_directory_path() / ("wf_skins_bench_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const int w = 1600, h = 1200;
  std::vector<uint32_t> px(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px[size_t(y) * w + x] = uint32_t(x * 7 ^ y * 13) & 0xFFFFFF;
  desk::CodecPicture* photo = desk::make_picture(px.data(), w, h);
  std::string folder = dir.string() + "/";
  desk::save_picture_file(photo, (folder + "photo.jpg").c_str());
  desk::destroy_picture(photo);
  std::string copy = desk::zoomed_copy_name(folder.c_str(), "photo.jpg", 55);
  for (auto _ : state) {
    std::remove(copy.c_str());
    if (desk::make_zoomed_copy(folder.c_str(), "photo.jpg", 55) != desk::kCodecOk)
      state.SkipWithError("zoomed copy failed");
  }
  fs::remove_all(dir);
  state.SetLabel("1600x1200 at 55 %, goal: under 150 ms");
}
BENCHMARK(BM_ZoomedCopy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
