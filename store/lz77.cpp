// The LZ77 block coder: bit writer and reader, pair chains with run nodes, the match finder
// and the two block operations.
#include "store/lz77.h"

#include <cstring>

namespace wf::store {
namespace {

constexpr int kPairCount = 65536;
constexpr int kNodeCount = 65536;

// The smallest w with 2^w >= pos: the width of a start position written at pos.
inline int start_width(int pos) { return pos <= 1 ? 0 : 32 - __builtin_clz(static_cast<unsigned>(pos - 1)); }

// The index of the first difference between a[i] and b[i] for i in [from, limit), or limit.
inline int agree_until(const uint8_t* a, const uint8_t* b, int from, int limit) {
  int i = from;
  while (i + 8 <= limit) {
    uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    if (x != y) return i + (__builtin_ctzll(x ^ y) >> 3);
    i += 8;
  }
  while (i < limit && a[i] == b[i]) ++i;
  return i;
}

struct BitWriter {
  uint8_t* out;
  int32_t byte_pos = 0;
  uint64_t acc = 0;
  int bits = 0;  // pending bits in acc, fewer than 8 between calls

  void put(uint32_t value, int count) {
    if (count == 0) return;
    acc = (acc << count) | value;
    bits += count;
    while (bits >= 8) {
      bits -= 8;
      out[byte_pos++] = static_cast<uint8_t>(acc >> bits);
    }
  }
  int32_t finish() {
    if (bits > 0) out[byte_pos++] = static_cast<uint8_t>(acc << (8 - bits));
    bits = 0;
    return byte_pos;
  }
};

// Reads bits most significant first. Bits past the end of the input read as zero and set
// `overrun`, so the decoder checks once per token instead of once per bit.
struct BitReader {
  const uint8_t* in;
  size_t size;
  size_t next = 0;  // next byte to load
  uint64_t acc = 0; // pending bits, left-aligned
  int bits = 0;
  bool overrun = false;

  uint32_t get(int count) {  // count 0 ... 32
    if (count == 0) return 0;
    if (bits < count) {
      while (bits <= 56 && next < size) {
        acc |= static_cast<uint64_t>(in[next++]) << (56 - bits);
        bits += 8;
      }
      if (bits < count) {
        overrun = true;
        bits = count;
      }
    }
    uint32_t v = static_cast<uint32_t>(acc >> (64 - count));
    acc <<= count;
    bits -= count;
    return v;
  }
};

void put_length_code(BitWriter& w, int n) {
  uint32_t v = static_cast<uint32_t>(n - 1);
  int q = 31 - __builtin_clz(v);
  w.put((1u << q) - 1, q);  // q one bits
  w.put(0, 1);
  w.put(v - (1u << q), q);
}

}  // namespace

Lz77Coder::Lz77Coder() : heads_(new uint16_t[kPairCount]), nodes_(new Node[kNodeCount]) {}
Lz77Coder::~Lz77Coder() = default;

// Enters the pairs that the next `count` bytes complete into their chains.
void Lz77Coder::insert(int count) {
  const uint8_t* b = window_;
  for (int k = 0; k < count; ++k) {
    int c = ++window_length_;
    if (c < 2) continue;
    uint8_t first = b[c - 2], second = b[c - 1];
    unsigned pair = first * 256u + second;
    uint16_t head = heads_[pair];
    if (first == second && head != 0 && nodes_[head].run_end + 3 == c) {
      nodes_[head].run_end = static_cast<uint16_t>(c - 2);
      continue;
    }
    Node& node = nodes_[next_node_];
    node.start = static_cast<uint16_t>(c - 2);
    node.run_end = static_cast<uint16_t>(c - 2);
    node.next = head;
    heads_[pair] = static_cast<uint16_t>(next_node_);
    ++next_node_;
  }
}

// The longest match at pos (newest of equal length); returns its length (0 = none).
int Lz77Coder::find_match(int pos, int* start) const {
  const int length = block_length_;
  if (pos >= length - 1) return 0;
  const uint8_t* b = window_;
  uint16_t n = heads_[b[pos] * 256u + b[pos + 1]];
  if (n == 0) return 0;
  int best_start = nodes_[n].start;
  int best = 2;
  const int room = length - pos;  // no candidate can be longer than this
  for (; n != 0 && best < room; n = nodes_[n].next) {
    int d = nodes_[n].start;
    int m = pos - d < room ? pos - d : room;
    // Only a strictly longer candidate counts, so it must reach m > best and agree at
    // index best; both checks leave the chosen match unchanged.
    if (m <= best || b[d + best] != b[pos + best]) continue;
    int len = agree_until(b + pos, b + d, 2, m);
    if (len > best) {
      best = len;
      best_start = d;
    }
  }
  *start = best_start;
  return best;
}

int Lz77Coder::compress(const uint8_t* block, int length, uint8_t* out) {
  if (length < 0 || length > kLz77MaxBlock) return -1;
  std::memset(heads_.get(), 0, kPairCount * sizeof(uint16_t));
  window_ = block;
  window_length_ = 0;
  block_length_ = length;
  next_node_ = 1;
  BitWriter w{out};
  int pos = 0;
  while (pos < length) {
    if (w.byte_pos >= length) return 0;
    int start = 0;
    int n = find_match(pos, &start);
    if (n >= 2) {
      w.put(1, 1);
      put_length_code(w, n);
      w.put(static_cast<uint32_t>(start), start_width(pos));
      insert(n);
      pos += n;
    } else {
      w.put(block[pos], 9);  // a zero bit, then the byte
      insert(1);
      pos += 1;
    }
  }
  int size = w.finish();
  return size < length ? size : 0;
}

int Lz77Coder::decompress(uint8_t* out, int length, const uint8_t* coded, size_t coded_size) {
  if (length < 0 || length > kLz77MaxBlock) return 0;
  BitReader r{coded, coded_size};
  int pos = 0;
  while (pos < length) {
    if (r.get(1) == 0) {
      uint8_t byte = static_cast<uint8_t>(r.get(8));
      if (r.overrun) return 0;
      out[pos++] = byte;
      continue;
    }
    int q = 0;
    while (r.get(1) == 1) {
      if (++q > 16 || r.overrun) return 0;
    }
    int n = q == 0 ? 2 : static_cast<int>(r.get(q) + (1u << q) + 1);
    int d = static_cast<int>(r.get(start_width(pos)));
    if (r.overrun || d + n > pos || n > length - pos) return 0;
    std::memcpy(out + pos, out + d, static_cast<size_t>(n));
    pos += n;
  }
  return 1;
}

}  // namespace wf::store
