// The LZ77 block coder: bit writer and reader, pair chains with run nodes, the match finder
// and the two block operations.
#include "store/lz77.h"

#include <cstring>

namespace wf::store {
namespace {

constexpr int kPairCount = 65536;
constexpr int kNodeCount = 65536;
constexpr int kLevelHeads = 16384;
// Pair chains of at most this many nodes are simply walked.
constexpr int kShortChain = 24;

// Prefix lengths of the search chains, longest first. The last level (3) only has to find the
// newest candidate of length 3; below it the pair chain's head gives length 2.
constexpr int kLevelLength[kLz77Levels] = {32, 8, 4, 3};

inline uint64_t load64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// A hash of the k bytes at p, read as at most two 8-byte words (p + k must lie within the
// block, and so must p + 8). Equal prefixes give equal hashes; collisions are checked by the
// comparison.
inline unsigned prefix_hash(const uint8_t* p, int k) {
  uint64_t v;
  if (k >= 8) {
    v = load64(p) * 0x9E3779B97F4A7C15ull ^ load64(p + k - 8);
  } else {
    v = load64(p) & ((1ull << (8 * k)) - 1);
  }
  v *= 0xD6E8FEB86659FD93ull;
  return static_cast<unsigned>(v >> 50) & (kLevelHeads - 1);
}

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

Lz77Coder::Lz77Coder(bool full_walk)
    : full_walk_(full_walk) {}
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
    if (pair_count_[pair] < 0xFFFF) ++pair_count_[pair];
    if (!full_walk_) file_node(next_node_, c - 2);
    ++next_node_;
  }
}

// Files a new node into the search chain of each level whose prefix fits into the block.
// The hash reads 8 bytes, so nodes within 8 bytes of the block end are filed only at levels
// they cannot reach anyway (no match from there can be that long).
void Lz77Coder::file_node(int node, int start) {
  for (int level = 0; level < kLz77Levels; ++level) {
    int k = kLevelLength[level];
    if (start + (k > 8 ? k : 8) > block_length_) continue;
    uint16_t* heads = level_heads_.get() + level * kLevelHeads;
    unsigned h = prefix_hash(window_ + start, k);
    level_next_[level * kNodeCount + node] = heads[h];
    heads[h] = static_cast<uint16_t>(node);
  }
}

// The longest match at pos (newest of equal length) by walking the whole pair chain; returns
// its length (0 = none).
int Lz77Coder::find_match_full_walk(int pos, int* start) const {
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

// The same match through the search chains. At level k, every node start whose first k bytes
// agree with pos is in the chain (with some others, by hash collision, which the comparison
// drops). If the longest candidate there is k or longer, no candidate outside the chain can
// equal it (they agree in fewer than k bytes), so it is the answer, newest first as in the full
// walk. Otherwise every candidate is shorter than k and the next shorter level decides.
int Lz77Coder::find_match(int pos, int* start) const {
  const int length = block_length_;
  if (pos >= length - 1) return 0;
  const uint8_t* b = window_;
  uint16_t head = heads_[b[pos] * 256u + b[pos + 1]];
  if (head == 0) return 0;
  if (pair_count_[b[pos] * 256u + b[pos + 1]] <= kShortChain) return find_match_full_walk(pos, start);
  const int room = length - pos;
  int longest = room;  // no candidate is longer than this
  for (int level = 0; level < kLz77Levels; ++level) {
    int k = kLevelLength[level];
    if (room < k || pos + (k > 8 ? k : 8) > length) continue;
    const uint16_t* next = level_next_.get() + level * kNodeCount;
    int best = k - 1;
    int best_start = -1;
    for (uint16_t n = level_heads_[level * kLevelHeads + prefix_hash(b + pos, k)]; n != 0 && best < longest;
         n = next[n]) {
      int d = nodes_[n].start;
      int m = pos - d < room ? pos - d : room;
      if (m <= best || b[d + best] != b[pos + best]) continue;
      int len = agree_until(b + pos, b + d, 0, m);
      if (len > best) {
        best = len;
        best_start = d;
      }
    }
    if (best_start >= 0) {
      *start = best_start;
      return best;
    }
    longest = k - 1;  // this level found nothing of length k or more, so nothing exists
  }
  // Near the block end the levels are skipped (they cannot read 8 bytes there): walk the pair
  // chain, which is short work for the few positions left.
  if (pos + 8 > length) return find_match_full_walk(pos, start);
  *start = nodes_[head].start;
  return 2;
}

// The tables are allocated (and cleared) on the first compress; afterwards each compress
// clears only the entries its nodes used, so a small block costs no more than its size.
void Lz77Coder::allocate_tables() {
  if (heads_) return;
  heads_.reset(new uint16_t[kPairCount]());
  nodes_.reset(new Node[kNodeCount]);
  pair_count_.reset(new uint16_t[kPairCount]());
  level_heads_.reset(new uint16_t[kLz77Levels * kLevelHeads]());
  level_next_.reset(new uint16_t[kLz77Levels * kNodeCount]);
}

void Lz77Coder::clear_used_entries() {
  // Past a few thousand nodes, clearing the whole tables is the cheaper way.
  if (next_node_ > 4096) {
    std::memset(heads_.get(), 0, kPairCount * sizeof(uint16_t));
    std::memset(pair_count_.get(), 0, kPairCount * sizeof(uint16_t));
    std::memset(level_heads_.get(), 0, kLz77Levels * kLevelHeads * sizeof(uint16_t));
    next_node_ = 1;
    return;
  }
  const uint8_t* b = window_;
  for (int n = 1; n < next_node_; ++n) {
    int s = nodes_[n].start;
    unsigned pair = b[s] * 256u + b[s + 1];
    heads_[pair] = 0;
    pair_count_[pair] = 0;
    for (int level = 0; level < kLz77Levels; ++level) {
      int k = kLevelLength[level];
      if (s + (k > 8 ? k : 8) > block_length_) continue;
      level_heads_[level * kLevelHeads + prefix_hash(b + s, k)] = 0;
    }
  }
  next_node_ = 1;
}

int Lz77Coder::compress(const uint8_t* block, int length, uint8_t* out) {
  int size = code_block(block, length, out);
  if (size >= 0) clear_used_entries();
  return size;
}

int Lz77Coder::code_block(const uint8_t* block, int length, uint8_t* out) {
  if (length < 0 || length > kLz77MaxBlock) return -1;
  allocate_tables();
  window_ = block;
  window_length_ = 0;
  block_length_ = length;
  next_node_ = 1;
  BitWriter w{out};
  int pos = 0;
  while (pos < length) {
    if (w.byte_pos >= length) return 0;
    int start = 0;
    int n = full_walk_ ? find_match_full_walk(pos, &start) : find_match(pos, &start);
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
