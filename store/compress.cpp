// The block stream: cutting data into blocks, raw or coded payloads, and expanding them.
#include "store/compress.h"

#include <cstring>
#include <vector>

namespace wf::store {
namespace {

void put_u16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

uint32_t get_u16(const uint8_t* p) { return p[0] | (static_cast<uint32_t>(p[1]) << 8); }


// Each thread keeps one coder for its streams: its tables (about 1.4 MB) are allocated once
// and cleared piecewise, instead of for every stream.
CCompressLZ77& thread_coder() {
  thread_local CCompressLZ77 coder;
  return coder;
}

}  // namespace

size_t compress_stream_bound(size_t n) {
  size_t blocks = (n + kLz77MaxBlock - 1) / kLz77MaxBlock;
  return n + blocks * kBlockHeaderSize;
}

long compress_stream(const uint8_t* data, size_t n, uint8_t* out, size_t room) {
  CCompressLZ77& coder = thread_coder();
  thread_local std::vector<uint8_t> coded(kLz77MaxBlock + kLz77OutputSlack);
  size_t at = 0;
  for (size_t from = 0; from < n; from += kLz77MaxBlock) {
    int length = static_cast<int>(n - from < kLz77MaxBlock ? n - from : kLz77MaxBlock);
    int size = coder.Compress(data + from, length, coded.data());
    size_t payload = size > 0 ? static_cast<size_t>(size) : static_cast<size_t>(length);
    if (room - at < kBlockHeaderSize + payload || room < at) return -1;
    uint32_t plain_field = static_cast<uint32_t>(length) & 0xFFFF;
    put_u16(out + at + kBlockPlainLength, plain_field);
    put_u16(out + at + kBlockStoredLength, size > 0 ? static_cast<uint32_t>(size) : plain_field);
    std::memcpy(out + at + kBlockHeaderSize, size > 0 ? coded.data() : data + from, payload);
    at += kBlockHeaderSize + payload;
  }
  return static_cast<long>(at);
}

long expand_stream(const uint8_t* stream, size_t length, uint8_t* out, size_t room) {
  CCompressLZ77& coder = thread_coder();
  size_t at = 0;
  size_t total = 0;
  while (at < length) {
    if (length - at < kBlockHeaderSize) return -1;
    uint32_t plain_field = get_u16(stream + at + kBlockPlainLength);
    uint32_t stored_field = get_u16(stream + at + kBlockStoredLength);
    size_t plain = plain_field == 0 ? kLz77MaxBlock : plain_field;
    at += kBlockHeaderSize;
    if (room - total < plain) return -1;
    if (plain_field == stored_field) {
      if (length - at < plain) return -1;
      std::memcpy(out + total, stream + at, plain);
      at += plain;
    } else {
      // A coded block is always shorter than its plain length, so its stored length is never 0.
      if (stored_field == 0 || length - at < stored_field) return -1;
      if (coder.Decompress(out + total, static_cast<int>(plain), stream + at, stored_field) != 1) return -1;
      at += stored_field;
    }
    total += plain;
  }
  return static_cast<long>(total);
}

}  // namespace wf::store
