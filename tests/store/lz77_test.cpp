// The LZ77 coder and its block stream: exact token bits for small hand-worked blocks, the
// doubling matches of a zero block, raw blocks, round trips, and malformed input refused
// without reads or writes outside the buffers.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "store/compress.h"

namespace wf::store {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes of(const std::string& s) { return Bytes(s.begin(), s.end()); }

// "0 01100001 1 0 00" -> bytes, most significant bit first, the last byte zero-filled.
Bytes bits(const std::string& text) {
  Bytes out;
  int n = 0;
  for (char c : text) {
    if (c != '0' && c != '1') continue;
    if (n % 8 == 0) out.push_back(0);
    if (c == '1') out.back() |= static_cast<uint8_t>(0x80 >> (n % 8));
    ++n;
  }
  return out;
}

std::string lit(char c) {
  std::string s = "0";
  for (int i = 7; i >= 0; --i) s += ((c >> i) & 1) ? '1' : '0';
  return s + " ";
}

Bytes compress_block(const Bytes& in) {
  CCompressLZ77 coder;
  Bytes out(in.size() + kLz77OutputSlack);
  int n = coder.Compress(in.data(), static_cast<int>(in.size()), out.data());
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

TEST(Lz77, HandWorkedTokenBits) {
  struct Case {
    const char* input;
    std::string tokens;
  };
  const Case cases[] = {
      // two literals, then "aa" from 0: length code 0, start in 1 bit
      {"aaaa", lit('a') + lit('a') + "1 0 0"},
      // length 3 (code 100) from 0 in 2 bits, then length 3 from 3 in 3 bits (the newest
      // candidate: the older one at 0 is no longer)
      {"abcabcabc", lit('a') + lit('b') + lit('c') + "1 100 00" + "1 100 011"},
      // length 5: code 11000
      {"abcdeabcde", lit('a') + lit('b') + lit('c') + lit('d') + lit('e') + "1 11000 000"},
      // equally long candidates: the newest (3) wins over 0; the last byte is always a literal
      {"abXabYabZ", lit('a') + lit('b') + lit('X') + "1 0 00" + lit('Y') + "1 0 011" + lit('Z')},
  };
  for (const Case& c : cases) EXPECT_EQ(compress_block(of(c.input)), bits(c.tokens)) << c.input;
  EXPECT_EQ(bits(cases[0].tokens), (Bytes{0x30, 0x98, 0x60}));
  EXPECT_EQ(bits(cases[1].tokens), (Bytes{0x30, 0x98, 0x8C, 0x78, 0x63}));
}

// A reader of the token stream kept apart from the coder, to check the tokens it chose.
struct Token {
  bool match;
  int length;  // 1 for a literal
  int start;
};

std::vector<Token> parse_tokens(const Bytes& coded, int length) {
  std::vector<Token> tokens;
  size_t bit = 0;
  auto next = [&]() -> int {
    if (bit / 8 >= coded.size()) return -1;
    int v = (coded[bit / 8] >> (7 - bit % 8)) & 1;
    ++bit;
    return v;
  };
  auto read = [&](int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) v = v * 2 + next();
    return v;
  };
  int pos = 0;
  while (pos < length) {
    if (next() == 0) {
      read(8);
      tokens.push_back({false, 1, 0});
      pos += 1;
      continue;
    }
    int q = 0;
    while (next() == 1) ++q;
    int n = q == 0 ? 2 : read(q) + (1 << q) + 1;
    int w = 0;
    while ((1 << w) < pos) ++w;
    int d = read(w);
    tokens.push_back({true, n, d});
    pos += n;
  }
  return tokens;
}

TEST(Lz77, ZeroBlockDoublesFromPositionZero) {
  Bytes zeros(65536, 0);
  Bytes coded = compress_block(zeros);
  ASSERT_FALSE(coded.empty());
  EXPECT_LT(coded.size(), 50u);
  std::vector<Token> t = parse_tokens(coded, 65536);
  ASSERT_EQ(t.size(), 2u + 15u);
  EXPECT_FALSE(t[0].match);
  EXPECT_FALSE(t[1].match);
  for (size_t i = 2; i < t.size(); ++i) {
    EXPECT_TRUE(t[i].match);
    EXPECT_EQ(t[i].start, 0);
    EXPECT_EQ(t[i].length, 1 << (i - 1));  // 2, 4, 8, ... 32768
  }
}

Bytes random_bytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  Bytes v(n);
  for (auto& b : v) b = static_cast<uint8_t>(gen());
  return v;
}

Bytes stream_of(const Bytes& in) {
  Bytes out(compress_stream_bound(in.size()));
  long n = compress_stream(in.data(), in.size(), out.data(), out.size());
  EXPECT_GE(n, 0);
  out.resize(n < 0 ? 0 : static_cast<size_t>(n));
  return out;
}

Bytes expand_of(const Bytes& stream, size_t room) {
  Bytes out(room);
  long n = expand_stream(stream.data(), stream.size(), out.data(), out.size());
  if (n < 0) return Bytes{0xDE, 0xAD};
  out.resize(static_cast<size_t>(n));
  return out;
}

TEST(Lz77Stream, RawBlocksAndHeaders) {
  struct Case {
    const char* what;
    Bytes input;
    Bytes headers;  // the first header, then (for two blocks) the second
    size_t size;
  };
  Bytes random = random_bytes(65537, 1);
  const Case cases[] = {
      {"random 65536", Bytes(random.begin(), random.begin() + 65536), {0, 0, 0, 0}, 65540},
      {"random 65537", random, {0, 0, 0, 0, 1, 0, 1, 0}, 65545},
      {"two bytes", of("aa"), {2, 0, 2, 0}, 6},
      {"random 1000", random_bytes(1000, 2), {0xE8, 3, 0xE8, 3}, 1004},
  };
  for (const Case& c : cases) {
    Bytes s = stream_of(c.input);
    ASSERT_EQ(s.size(), c.size) << c.what;
    EXPECT_EQ(0, std::memcmp(s.data(), c.headers.data(), 4)) << c.what;
    if (c.headers.size() == 8) {
      EXPECT_EQ(0, std::memcmp(s.data() + 65540, c.headers.data() + 4, 4));
    }
    EXPECT_EQ(expand_of(s, c.input.size()), c.input) << c.what;
  }
  CCompressLZ77 coder;
  Bytes out(16);
  EXPECT_EQ(coder.Compress(out.data(), 65537, out.data()), -1);
  EXPECT_EQ(coder.Decompress(out.data(), 65537, out.data(), out.size()), 0);
  EXPECT_EQ(stream_of(Bytes()).size(), 0u);
}

TEST(Lz77Stream, RoundTripsKeepEveryByte) {
  std::vector<Bytes> inputs;
  std::string text;
  while (text.size() < 200000) text += "The quick brown fox jumps over the lazy dog. 白板便签 ";
  inputs.push_back(of(text));
  Bytes runs;
  for (int i = 0; i < 150000; ++i) runs.push_back(static_cast<uint8_t>((i / 37) % 3 == 0 ? 0 : i % 5));
  inputs.push_back(runs);
  Bytes binary = random_bytes(70000, 3);
  for (auto& b : binary) b &= 0x01;  // two symbols: long chains, short matches
  inputs.push_back(binary);
  for (int n = 1; n <= 20; ++n) inputs.push_back(Bytes(static_cast<size_t>(n), 'x'));
  inputs.push_back(of("abababababababababababababababababababab"));
  for (const Bytes& in : inputs) {
    Bytes s = stream_of(in);
    EXPECT_EQ(expand_of(s, in.size()), in) << in.size();
    EXPECT_EQ(expand_of(s, in.size() - 1), (Bytes{0xDE, 0xAD})) << "room one short";
  }
  // The update program's class carries the same coder.
  update_side::CCompressLZ77 other;
  CCompressLZ77 main_coder;
  Bytes a(text.size()), b(text.size());
  int na = other.Compress(inputs[0].data(), 65536, a.data());
  int nb = main_coder.Compress(inputs[0].data(), 65536, b.data());
  ASSERT_GT(na, 0);
  ASSERT_EQ(na, nb);
  EXPECT_EQ(0, std::memcmp(a.data(), b.data(), static_cast<size_t>(na)));
}

// The search chains are a faster way to the same match: the coded bytes must equal those of
// the full pair-chain walk on inputs of every shape, and at every block length near the end.
TEST(Lz77, SearchChainsPickTheFullWalksMatches) {
  std::vector<Bytes> inputs;
  std::mt19937 gen(11);
  for (int alphabet : {2, 3, 4, 16, 256}) {
    Bytes v(20000);
    for (auto& b : v) b = static_cast<uint8_t>('a' + gen() % alphabet);
    inputs.push_back(v);
  }
  Bytes segments;  // periodic stretches of random lengths, broken by other bytes
  while (segments.size() < 30000) {
    int len = static_cast<int>(gen() % 300);
    for (int i = 0; i < len; ++i) segments.push_back("ab"[i % 2]);
    segments.push_back(static_cast<uint8_t>('X' + gen() % 3));
  }
  inputs.push_back(segments);
  Bytes runs;
  while (runs.size() < 20000) runs.insert(runs.end(), gen() % 40, static_cast<uint8_t>(gen() % 3));
  inputs.push_back(runs);
  std::string text;
  while (text.size() < 30000) text += "便签 note board 白板 the plan 计划 " + std::to_string(gen() % 100);
  inputs.push_back(of(text));
  for (int n = 1; n < 80; ++n) {
    Bytes v(static_cast<size_t>(n));
    for (auto& b : v) b = static_cast<uint8_t>("aab"[gen() % 3]);
    inputs.push_back(v);
  }
  Lz77Coder fast, full(true);
  for (const Bytes& in : inputs) {
    int len = static_cast<int>(in.size());
    Bytes a(in.size() + kLz77OutputSlack), b(in.size() + kLz77OutputSlack);
    int na = fast.compress(in.data(), len, a.data());
    int nb = full.compress(in.data(), len, b.data());
    ASSERT_EQ(na, nb) << len;
    EXPECT_EQ(0, std::memcmp(a.data(), b.data(), static_cast<size_t>(na))) << len;
  }
}

TEST(Lz77, MalformedTokensAreRefused) {
  struct Case {
    const char* what;
    int length;
    std::string tokens;
  };
  const Case cases[] = {
      {"start at pos", 4, lit('a') + lit('b') + "1 0 1"},        // pos 2, start 1: 1 + 2 > 2
      {"start beyond pos", 6, lit('a') + lit('b') + lit('c') + "1 0 11"},
      {"copy past the block", 4, lit('a') + lit('b') + lit('c') + "1 0 00"},
      {"match at pos 0", 4, "1 0"},
      {"coded bytes run out", 4, lit('a') + "0 0110"},
      {"endless length code", 100, lit('a') + lit('b') + "1 1111111111111111111111"},
  };
  CCompressLZ77 coder;
  for (const Case& c : cases) {
    Bytes coded = bits(c.tokens);
    Bytes out(static_cast<size_t>(c.length));
    EXPECT_EQ(coder.Decompress(out.data(), c.length, coded.data(), coded.size()), 0) << c.what;
  }
}

TEST(Lz77Stream, MalformedStreamsAreRefused) {
  Bytes good = stream_of(of("abcabcabcabcabcabcabcabc"));
  ASSERT_NE(good[0], good[2]);  // a coded block
  Bytes raw = stream_of(random_bytes(100, 9));
  struct Case {
    const char* what;
    Bytes stream;
  };
  const Case cases[] = {
      {"header cut", Bytes(good.begin(), good.begin() + 3)},
      {"coded payload cut", Bytes(good.begin(), good.end() - 1)},
      {"raw payload cut", Bytes(raw.begin(), raw.end() - 1)},
      {"trailing half header", [&] { Bytes s = good; s.push_back(1); return s; }()},
      {"stored length 0 but fields differ", Bytes{5, 0, 0, 0, 1, 2, 3, 4, 5}},
  };
  for (const Case& c : cases) {
    Bytes out(1000);
    EXPECT_EQ(expand_stream(c.stream.data(), c.stream.size(), out.data(), out.size()), -1) << c.what;
  }
}

}  // namespace
}  // namespace wf::store
