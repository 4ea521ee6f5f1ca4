// LZ77 block coder throughput and ratio beside zlib (deflate levels 1 and 6) on the same
// inputs, in one run:
//   record    a 16384-byte case record: fields, 1-4 KB of GBK text, zero padding
//   timeline  a 64384-byte month timeline with 1000 stamps
//   text      64 KiB of plain text
//   random    64 KiB of random bytes
//   abab, abcabc, broken_runs, two_symbols, long_period, period_segments,
//             short_segments
//             inputs that stress the pair-chain walk
// Goals: on record, timeline and text, compress faster than zlib level 6 (while producing
// exactly the coder's stream); expand at 500 MB/s or more; no 64 KiB block takes more than
// 50 ms to compress (see the per-iteration time of the compress rows).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <random>
#include <string>
#include <vector>

#include "store/compress.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string gbk_text(size_t n, unsigned seed) {
  const char* words[] = {"会议", "便签", "白板", "计划", "进度", "完成", "设计", "的", "，", "。",
                         "sync ", "board ", "note ", "the ", "plan "};
  std::mt19937 gen(seed);
  std::string t;
  while (t.size() < n) t += words[gen() % 15];
  t.resize(n);
  return t;
}

Bytes record_input() {
  Bytes v(16384, 0);
  for (int i = 0; i < 64; ++i) v[i] = static_cast<uint8_t>(i * 37);
  std::string t = gbk_text(2500, 1);
  std::copy(t.begin(), t.end(), v.begin() + 256);
  return v;
}

Bytes timeline_input() {
  Bytes v(64384, 0);
  std::mt19937 gen(2);
  for (int s = 0; s < 1000; ++s) {
    uint8_t* p = v.data() + 384 + s * 64;
    p[0] = static_cast<uint8_t>(100 + gen() % 10);  // kind
    uint16_t serial = static_cast<uint16_t>(gen());
    p[2] = static_cast<uint8_t>(serial);
    p[3] = static_cast<uint8_t>(serial >> 8);
    p[4] = 0xEA; p[5] = 0x07;  // year
    p[6] = 12;  p[7] = static_cast<uint8_t>(1 + s / 40);
    p[8] = static_cast<uint8_t>(gen() % 24); p[9] = static_cast<uint8_t>(gen() % 60);
    p[10] = static_cast<uint8_t>(gen() % 60);
    for (int k = 12; k < 20; ++k) p[k] = static_cast<uint8_t>(gen() % 4);
  }
  return v;
}

Bytes text_input() {
  std::string para =
      "Each board keeps its notes in cases; a case holds a title, a skin and its text. "
      "会议纪要：周一上午十点，三号会议室，讨论第二季度的计划与进度。\n";
  std::string t;
  std::mt19937 gen(3);
  while (t.size() < 65536) t += para.substr(gen() % 40) + gbk_text(60, gen());
  t.resize(65536);
  return Bytes(t.begin(), t.end());
}

Bytes random_input() {
  std::mt19937 gen(4);
  Bytes v(65536);
  for (auto& b : v) b = static_cast<uint8_t>(gen());
  return v;
}

Bytes pattern_input(const std::string& unit) {
  Bytes v(65536);
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<uint8_t>(unit[i % unit.size()]);
  return v;
}

Bytes broken_runs_input() {
  Bytes v(65536, 0);
  for (size_t i = 0; i < v.size(); i += 5) v[i] = static_cast<uint8_t>(1 + (i / 5) % 3);
  return v;
}

Bytes two_symbols_input() {
  std::mt19937 gen(5);
  Bytes v(65536);
  for (auto& b : v) b = (gen() & 1) ? 'b' : 'a';
  return v;
}

Bytes long_period_input() {  // a random unit of 1000 bytes over two symbols, repeated
  std::mt19937 gen(6);
  std::string unit(1000, 'a');
  for (auto& c : unit) c = (gen() & 1) ? 'b' : 'a';
  return pattern_input(unit);
}

Bytes period_segments_input() {  // "abab..." stretches of random length, each broken by one byte
  std::mt19937 gen(7);
  Bytes v;
  while (v.size() < 65536) {
    int len = static_cast<int>(gen() % 2000);
    for (int i = 0; i < len && v.size() < 65536; ++i) v.push_back("ab"[i % 2]);
    if (v.size() < 65536) v.push_back(static_cast<uint8_t>('X' + gen() % 3));
  }
  return v;
}

Bytes short_segments_input() {  // "abc" prefixes of 0-7 bytes, each followed by 'X'
  std::mt19937 gen(8);
  Bytes v;
  while (v.size() < 65536) {
    int len = static_cast<int>(gen() % 8);
    for (int i = 0; i < len && v.size() < 65536; ++i) v.push_back("abc"[i % 3]);
    if (v.size() < 65536) v.push_back('X');
  }
  return v;
}

struct Input {
  const char* name;
  Bytes data;
};

std::vector<Input>& inputs() {
  static std::vector<Input> all = {
      {"record", record_input()},        {"timeline", timeline_input()},
      {"text", text_input()},            {"random", random_input()},
      {"abab", pattern_input("ab")},     {"abcabc", pattern_input("abc")},
      {"broken_runs", broken_runs_input()}, {"two_symbols", two_symbols_input()},
      {"long_period", long_period_input()}, {"period_segments", period_segments_input()},
      {"short_segments", short_segments_input()},
  };
  return all;
}

void lz77_compress(benchmark::State& state, const Bytes* in) {
  Bytes out(wf::store::compress_stream_bound(in->size()));
  long n = 0;
  for (auto _ : state) {
    n = wf::store::compress_stream(in->data(), in->size(), out.data(), out.size());
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in->size()));
  state.counters["ratio"] = static_cast<double>(n) / static_cast<double>(in->size());
}

void lz77_expand(benchmark::State& state, const Bytes* in) {
  Bytes stream(wf::store::compress_stream_bound(in->size()));
  long n = wf::store::compress_stream(in->data(), in->size(), stream.data(), stream.size());
  Bytes out(in->size());
  for (auto _ : state) {
    long m = wf::store::expand_stream(stream.data(), static_cast<size_t>(n), out.data(), out.size());
    benchmark::DoNotOptimize(m);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in->size()));
}

void zlib_compress(benchmark::State& state, const Bytes* in, int level) {
  Bytes out(compressBound(static_cast<uLong>(in->size())));
  uLongf n = 0;
  for (auto _ : state) {
    n = static_cast<uLongf>(out.size());
    compress2(out.data(), &n, in->data(), static_cast<uLong>(in->size()), level);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in->size()));
  state.counters["ratio"] = static_cast<double>(n) / static_cast<double>(in->size());
}

void zlib_expand(benchmark::State& state, const Bytes* in) {
  Bytes packed(compressBound(static_cast<uLong>(in->size())));
  uLongf n = static_cast<uLongf>(packed.size());
  compress2(packed.data(), &n, in->data(), static_cast<uLong>(in->size()), 6);
  Bytes out(in->size());
  for (auto _ : state) {
    uLongf m = static_cast<uLongf>(out.size());
    uncompress(out.data(), &m, packed.data(), n);
    benchmark::DoNotOptimize(m);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in->size()));
}

int register_all() {
  for (const Input& in : inputs()) {
    std::string n = in.name;
    benchmark::RegisterBenchmark((n + "/lz77_compress").c_str(), lz77_compress, &in.data)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((n + "/zlib1_compress").c_str(), zlib_compress, &in.data, 1)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((n + "/zlib6_compress").c_str(), zlib_compress, &in.data, 6)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((n + "/lz77_expand").c_str(), lz77_expand, &in.data)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((n + "/zlib_expand").c_str(), zlib_expand, &in.data)->Unit(benchmark::kMicrosecond);
  }
  return 0;
}

const int registered = register_all();

}  // namespace

BENCHMARK_MAIN();
