// The LZ77 block coder: a bit-packed token stream (literals and non-overlapping matches with
// absolute start positions) for blocks of at most 65536 bytes. The match finder keeps one
// chain per ordered byte pair; a run of one repeated byte occupies a single node.
//
// Token stream, most significant bit first:
//   literal: 0, then the byte's 8 bits
//   match:   1, the length code of n (v = n - 1, q = floor(log2 v): q one bits, a zero bit,
//            v - 2^q in q bits), then the start in w bits, w the smallest with 2^w >= pos.
// The matcher takes the longest match among the pair's chain (newest first, only a strictly
// longer candidate replaces the best), cut so that start + n <= pos and pos + n <= L.
//
// Finding that match by walking the whole pair chain costs time quadratic in the block on
// some inputs, so the coder also files every node start in chains keyed by its first k bytes
// (a few k from 3 to 64) and asks the longest k first: when a candidate of length k or more
// exists, every candidate that could win is in that chain. This picks exactly the match the
// full pair-chain walk picks (tests compare the two); only the time differs.
//
// This file holds the plain coder, free of any class hierarchy; compress.h wraps it in the
// classes the programs use.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace wf::store {

constexpr int kLz77MaxBlock = 65536;
constexpr int kLz77OutputSlack = 16;  // Compress output room: length + 16

constexpr int kLz77Levels = 4;  // prefix lengths of the search chains, see lz77.cpp

class Lz77Coder {
 public:
  // full_walk: find matches by walking the whole pair chain (the reference behaviour, slow
  // on some inputs; for tests).
  explicit Lz77Coder(bool full_walk = false);
  ~Lz77Coder();
  Lz77Coder(const Lz77Coder&) = delete;
  Lz77Coder& operator=(const Lz77Coder&) = delete;

  // Codes a block of length bytes into out (room for length + 16 bytes). Returns the coded
  // size when it is smaller than length, 0 when the block does not get smaller, -1 when
  // length is above 65536 (or negative).
  int compress(const uint8_t* block, int length, uint8_t* out);

  // Produces exactly length bytes into out from coded_size coded bytes. Returns 1, or 0 when
  // length is above 65536 or the coded bytes are malformed (a start at or beyond pos, a copy
  // past the block or into the bytes it produces, the coded bytes running out). Nothing is
  // read or written outside the two buffers.
  int decompress(uint8_t* out, int length, const uint8_t* coded, size_t coded_size);

 private:
  struct Node {
    uint16_t start;
    uint16_t run_end;
    uint16_t next;
  };

  void allocate_tables();
  void clear_used_entries();
  int code_block(const uint8_t* block, int length, uint8_t* out);
  void insert(int count);
  void file_node(int node, int start);
  int find_match(int pos, int* start) const;
  int find_match_full_walk(int pos, int* start) const;

  const uint8_t* window_ = nullptr;  // the block being coded
  int32_t window_length_ = 0;        // bytes of the block already entered into the chains
  int32_t block_length_ = 0;
  std::unique_ptr<uint16_t[]> heads_;  // 65536 chain heads, 0 = empty
  std::unique_ptr<Node[]> nodes_;      // 65536 nodes; node 0 means "none"
  int32_t next_node_ = 1;
  bool full_walk_ = false;
  // Search chains, per level: heads by prefix hash, and the next node of each node.
  std::unique_ptr<uint16_t[]> pair_count_;   // nodes per pair chain (saturating)
  std::unique_ptr<uint16_t[]> level_heads_;  // kLz77Levels x kLevelHeads
  std::unique_ptr<uint16_t[]> level_next_;   // kLz77Levels x 65536
};

}  // namespace wf::store
