// Sealed files: sizes and trailer words, padding, fresh seeds, refusal of damaged input
// without touching the output, the whole-file forms, and serialisation across threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/paths.h"
#include "store/aes.h"
#include "store/rng.h"
#include "store/sealed.h"

namespace wf::store {
namespace {

std::vector<uint8_t> pattern(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + 3);
  return v;
}

std::vector<uint8_t> seal_bytes(const std::vector<uint8_t>& plain, int32_t seed) {
  std::vector<uint8_t> out(sealed_size(plain.size()));
  long n = seal_with_seed(seed, plain.data(), plain.size(), out.data(), out.size());
  EXPECT_EQ(n, static_cast<long>(out.size()));
  return out;
}

uint32_t word(const std::vector<uint8_t>& s, int offset) {
  const uint8_t* p = s.data() + s.size() - kSealTrailerSize + offset;
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The trailer words unmasked with the first five outputs from the file's seed.
std::vector<uint32_t> unmasked_trailer(const std::vector<uint8_t>& s) {
  MinStdRng rng;
  rng.seed(static_cast<int32_t>(word(s, kTrailerSeed)));
  std::vector<uint32_t> w;
  for (int off = 0; off < kTrailerSeed; off += 4) w.push_back(word(s, off) ^ static_cast<uint32_t>(rng.next()));
  return w;
}

TEST(Sealed, SizesTrailersAndRoundTrip) {
  struct Case {
    size_t n;
    size_t sealed;
    uint32_t chunks, chunk_sealed, rest, last;
  };
  const Case cases[] = {
      {0, 24, 0, 0, 0, 0},         {16, 56, 0, 0, 16, 32},        {255, 280, 0, 0, 255, 256},
      {256, 296, 1, 272, 0, 272},  {644, 712, 2, 272, 132, 144},  {2048, 2200, 8, 272, 0, 272},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> plain = pattern(c.n);
    EXPECT_EQ(sealed_size(c.n), c.sealed);
    std::vector<uint8_t> s = seal_bytes(plain, 123456789);
    ASSERT_EQ(s.size(), c.sealed);
    std::vector<uint32_t> w = unmasked_trailer(s);
    EXPECT_EQ(w[0], c.chunks) << c.n;
    EXPECT_EQ(w[1], 256u) << c.n;
    EXPECT_EQ(w[2], c.chunk_sealed) << c.n;
    EXPECT_EQ(w[3], c.rest) << c.n;
    EXPECT_EQ(w[4], c.last) << c.n;
    EXPECT_EQ(word(s, kTrailerSeed), 123456789u);
    std::vector<uint8_t> back(c.n + 1, 0xEE);
    EXPECT_EQ(unseal(s.data(), s.size(), back.data(), back.size()), static_cast<long>(c.n));
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), back.begin()));
    EXPECT_EQ(back[c.n], 0xEE);  // nothing written past the plain size
  }
}

TEST(Sealed, ChunksCarryTheirOwnPadding) {
  // 644 bytes: two full chunks with a whole padding block each, then 132 bytes + 12 x 0x0C.
  std::vector<uint8_t> plain = pattern(644);
  std::vector<uint8_t> s = seal_bytes(plain, 42);
  uint8_t key[16];
  sealed_key(42, key);
  AesKey k;
  aes_expand_key(key, &k);
  std::vector<uint8_t> body(s.begin(), s.end() - kSealTrailerSize);
  aes_ecb_decrypt(k, body.data(), body.data(), body.size());
  for (int chunk = 0; chunk < 2; ++chunk) {
    EXPECT_EQ(0, std::memcmp(body.data() + chunk * 272, plain.data() + chunk * 256, 256));
    for (int i = 256; i < 272; ++i) EXPECT_EQ(body[chunk * 272 + i], 0x10);
  }
  EXPECT_EQ(0, std::memcmp(body.data() + 544, plain.data() + 512, 132));
  for (int i = 544 + 132; i < 544 + 144; ++i) EXPECT_EQ(body[i], 0x0C);
  // Bytes 8 ... 15 of the key come from the generator run from the seed.
  MinStdRng rng;
  rng.seed(42);
  for (int i = 8; i < 16; ++i) EXPECT_EQ(key[i], rng.next() & 0xFF);
}

TEST(Sealed, EverySealDrawsAFreshSeed) {
  std::vector<uint8_t> record = pattern(2048);
  std::vector<uint8_t> a(2200), b(2200), back(2048);
  ASSERT_EQ(seal(record.data(), record.size(), a.data(), a.size()), 2200);
  ASSERT_EQ(seal(record.data(), record.size(), b.data(), b.size()), 2200);  // same millisecond
  EXPECT_NE(sealed_seed(a.data(), a.size()), sealed_seed(b.data(), b.size()));
  EXPECT_NE(a, b);
  for (auto* s : {&a, &b}) {
    ASSERT_EQ(unseal(s->data(), s->size(), back.data(), back.size()), 2048);
    EXPECT_EQ(back, record);
  }
}

TEST(Sealed, DamagedInputIsRefusedAndOutputUntouched) {
  std::vector<uint8_t> good = seal_bytes(pattern(644), 777);
  auto flip_trailer_word = [&](int offset, uint8_t mask = 0x01) {
    std::vector<uint8_t> s = good;
    s[s.size() - kSealTrailerSize + offset] ^= mask;
    return s;
  };
  std::vector<uint8_t> bad_padding = good;
  bad_padding[680] ^= 0x40;  // in the last block of the remainder chunk: its padding breaks
  struct Case {
    const char* what;
    std::vector<uint8_t> data;
    size_t room;
    long want;
  };
  const Case cases[] = {
      {"shorter than a trailer", std::vector<uint8_t>(good.end() - 23, good.end()), 644, kSealTooShort},
      {"one byte cut off", std::vector<uint8_t>(good.begin() + 1, good.end()), 644, kSealBadSizes},
      {"chunk count", flip_trailer_word(kTrailerChunks), 644, kSealBadSizes},
      {"chunk size", flip_trailer_word(kTrailerChunkSealed), 644, kSealBadSizes},
      {"remainder", flip_trailer_word(kTrailerRest + 1), 644, kSealBadSizes},
      {"last chunk size", flip_trailer_word(kTrailerLastSealed), 644, kSealBadSizes},
      {"plain chunk size too large", flip_trailer_word(kTrailerChunkPlain + 1, 0x02), 1 << 20, kSealBadSizes},
      {"seed", flip_trailer_word(kTrailerSeed), 644, kSealBadSizes},
      {"padding", bad_padding, 644, kSealBadPadding},
      {"room too small", good, 643, kSealNoRoom},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out(c.room + 8, 0xAB);
    EXPECT_EQ(unseal(c.data.data(), c.data.size(), out.data(), c.room), c.want) << c.what;
    for (uint8_t v : out) ASSERT_EQ(v, 0xAB) << c.what;
  }
  std::vector<uint8_t> small(100);
  EXPECT_EQ(seal_with_seed(1, good.data(), 644, small.data(), small.size()), kSealNoRoom);
}

class SealedFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("wf-sealed-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
    platform::set_program_folder(dir_.string());
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::vector<uint8_t> read(const char* name) {
    std::ifstream f(dir_ / name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
  }
  void write(const char* name, const std::vector<uint8_t>& data) {
    std::ofstream f(dir_ / name, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  }
  std::filesystem::path dir_;
};

TEST_F(SealedFile, SealsAndUnsealsInPlace) {
  std::vector<uint8_t> plain = pattern(2048);
  write("config.cfg", plain);
  ASSERT_EQ(seal_file(".\\config.cfg"), 0);
  std::vector<uint8_t> sealed = read("config.cfg");
  ASSERT_EQ(sealed.size(), 2200u);
  std::vector<uint8_t> back(2048);
  EXPECT_EQ(unseal(sealed.data(), sealed.size(), back.data(), back.size()), 2048);
  EXPECT_EQ(back, plain);
  ASSERT_EQ(unseal_file("config.cfg"), 0);
  EXPECT_EQ(read("config.cfg"), plain);
}

TEST_F(SealedFile, EmptyMissingAndDamagedFilesStayAsTheyAre) {
  EXPECT_EQ(seal_file("config.cfg"), 0);
  EXPECT_EQ(unseal_file("config.cfg"), 0);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "config.cfg"));
  write("config.cfg", {});
  EXPECT_EQ(seal_file("config.cfg"), 0);
  EXPECT_EQ(unseal_file("config.cfg"), 0);
  EXPECT_TRUE(read("config.cfg").empty());
  std::vector<uint8_t> junk = pattern(300);
  write("config.cfg", junk);
  EXPECT_LT(unseal_file("config.cfg"), 0);
  EXPECT_EQ(read("config.cfg"), junk);
}

TEST(SealedThreads, ConcurrentSealsAllUnseal) {
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      std::vector<uint8_t> plain = pattern(600 + t), sealed(sealed_size(600 + t)), back(600 + t);
      for (int i = 0; i < 200; ++i) {
        long n = seal(plain.data(), plain.size(), sealed.data(), sealed.size());
        if (n < 0 || unseal(sealed.data(), static_cast<size_t>(n), back.data(), back.size()) != 600 + t ||
            back != plain)
          ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace wf::store
