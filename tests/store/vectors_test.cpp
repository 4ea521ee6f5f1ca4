// Fixed test vectors: inputs with their exact block streams and sealed images (given seeds),
// kept in tests/vectors. Any change to the coder or the cipher that alters bytes on disk or
// on the wire fails here. WF_WRITE_VECTORS=1 writes the files afresh (only after a deliberate
// format change; the old files are the reference).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "store/compress.h"
#include "store/sealed.h"
#include "store/settings.h"

namespace wf::store {
namespace {

using Bytes = std::vector<uint8_t>;

std::string vector_path(const std::string& name) {
  const char* top = std::getenv("WF_SOURCE_DIR");
  return std::string(top ? top : "..") + "/tests/vectors/" + name;
}

bool writing() {
  const char* w = std::getenv("WF_WRITE_VECTORS");
  return w && std::string(w) == "1";
}

Bytes load(const std::string& name) {
  std::ifstream f(vector_path(name), std::ios::binary);
  EXPECT_TRUE(f.good()) << vector_path(name);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

void store(const std::string& name, const Bytes& data) {
  std::ofstream f(vector_path(name), std::ios::binary);
  f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

// The inputs, built by fixed rules; written once, then read back from the files.
Bytes make_input(const std::string& name) {
  Bytes v;
  if (name == "text") {
    std::string t;
    const char* lines[] = {"会议纪要：周一上午十点，三号会议室。\r\n", "Sync the board before leaving.\r\n",
                           "待办：整理便签，更新时间线。\r\n"};
    for (int i = 0; t.size() < 3000; ++i) t += lines[(i * 7) % 3] + std::to_string(i);
    v.assign(t.begin(), t.end());
  } else if (name == "record") {  // a case record: a little text, then zero padding
    std::string t = "标题：季度计划 / Quarterly plan. 内容：第一阶段完成设计，第二阶段联调。";
    v.assign(4096, 0);
    std::copy(t.begin(), t.end(), v.begin() + 64);
    for (int i = 0; i < 16; ++i) v[i] = static_cast<uint8_t>(i * 13);
  } else if (name == "periodic") {
    for (int i = 0; i < 3000; ++i) v.push_back(static_cast<uint8_t>("abcab"[i % 5]));
  } else if (name == "binary") {
    uint32_t x = 12345;
    for (int i = 0; i < 2000; ++i) {
      x = x * 1103515245u + 12345u;
      v.push_back((x >> 16) & 1 ? 'b' : 'a');
    }
  } else if (name == "runs") {
    for (int i = 0; i < 3000; ++i) v.push_back(static_cast<uint8_t>((i % 97) < 60 ? 0 : i % 7));
  } else if (name == "settings") {
    SettingsRecord r;
    r.set_new_account();
    v.assign(r.bytes, r.bytes + kSettingsSize);
  } else if (name == "table") {
    for (int i = 0; i < 644; ++i) v.push_back(static_cast<uint8_t>(i % 3 == 0 ? 0xFF : i));
  }
  return v;
}

const char* const kCoderVectors[] = {"text", "record", "periodic", "binary", "runs"};

struct SealVector {
  const char* input;
  int32_t seed;
};
const SealVector kSealVectors[] = {{"empty", 1}, {"table", 20261211}, {"settings", -5}, {"text", 1010000}};

TEST(Vectors, CoderStreamsAreFixed) {
  for (const char* name : kCoderVectors) {
    std::string in_name = std::string("lz_") + name + ".in", out_name = std::string("lz_") + name + ".lz";
    if (writing()) store(in_name, make_input(name));
    Bytes input = load(in_name);
    ASSERT_FALSE(input.empty()) << name;
    Bytes stream(compress_stream_bound(input.size()));
    long n = compress_stream(input.data(), input.size(), stream.data(), stream.size());
    ASSERT_GT(n, 0);
    stream.resize(static_cast<size_t>(n));
    if (writing()) store(out_name, stream);
    Bytes want = load(out_name);
    EXPECT_EQ(stream, want) << name;
    Bytes back(input.size());
    EXPECT_EQ(expand_stream(want.data(), want.size(), back.data(), back.size()), static_cast<long>(input.size()));
    EXPECT_EQ(back, input) << name;
  }
}

TEST(Vectors, SealedImagesAreFixed) {
  for (const SealVector& v : kSealVectors) {
    std::string in_name = std::string("seal_") + v.input + ".in";
    std::string out_name = std::string("seal_") + v.input + "_" + std::to_string(v.seed) + ".sealed";
    if (writing()) store(in_name, make_input(v.input));
    Bytes input = load(in_name);
    Bytes sealed(sealed_size(input.size()));
    ASSERT_EQ(seal_with_seed(v.seed, input.data(), input.size(), sealed.data(), sealed.size()),
              static_cast<long>(sealed.size()));
    if (writing()) store(out_name, sealed);
    Bytes want = load(out_name);
    EXPECT_EQ(sealed, want) << out_name;
    Bytes back(input.size() + 1);
    EXPECT_EQ(unseal(want.data(), want.size(), back.data(), back.size()), static_cast<long>(input.size()));
    back.resize(input.size());
    EXPECT_EQ(back, input) << out_name;
  }
}

}  // namespace
}  // namespace wf::store
