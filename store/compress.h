// The compressor classes and the block stream around the LZ77 coder.
//
// Both programs carry the same coder behind the same three virtual slots (destructor,
// Compress, Decompress): the main program's CCompressLZ77 derives from CCompress, the update
// program's from LZ77. Only the base class differs; the streams are identical.
//
// Block stream: blocks of a 4-byte header (plain length u16, 0 = 65536; stored length u16)
// and a payload. Equal header fields mean the payload is the block's bytes unchanged (a raw
// block of 65536 bytes has the header 0, 0); otherwise it is stored-length bytes of tokens.
#pragma once
#include <cstddef>
#include <cstdint>

#include "store/lz77.h"

namespace wf::store {

constexpr int kBlockHeaderSize = 4;
constexpr int kBlockPlainLength = 0;   // u16, 0 = 65536
constexpr int kBlockStoredLength = 2;  // u16

// The main program's base.
class CCompress {
 public:
  virtual ~CCompress() = default;
  virtual int Compress(const uint8_t* block, int length, uint8_t* out) = 0;
  virtual int Decompress(uint8_t* out, int length, const uint8_t* coded, size_t coded_size) = 0;
};

// The update program's base: the same slots.
class LZ77 {
 public:
  virtual ~LZ77() = default;
  virtual int Compress(const uint8_t* block, int length, uint8_t* out) = 0;
  virtual int Decompress(uint8_t* out, int length, const uint8_t* coded, size_t coded_size) = 0;
};

// The coder behind either base. Compress and Decompress behave as Lz77Coder's.
template <class Base>
class Lz77Compressor : public Base {
 public:
  int Compress(const uint8_t* block, int length, uint8_t* out) override {
    return coder_.compress(block, length, out);
  }
  int Decompress(uint8_t* out, int length, const uint8_t* coded, size_t coded_size) override {
    return coder_.decompress(out, length, coded, coded_size);
  }

 private:
  Lz77Coder coder_;
};

class CCompressLZ77 : public Lz77Compressor<CCompress> {};

namespace update_side {
class CCompressLZ77 : public Lz77Compressor<LZ77> {};
}  // namespace update_side

// The largest block stream that n bytes can give (every block raw).
size_t compress_stream_bound(size_t n);

// Cuts data into blocks of 65536 bytes (the last shorter) and writes the block stream to out
// (room bytes; compress_stream_bound(n) is always enough). Returns the stream size, or -1
// when room is too small.
long compress_stream(const uint8_t* data, size_t n, uint8_t* out, size_t room);

// Expands a block stream into out (room bytes). Returns the expanded length, or -1 when a
// block fails: a header or payload cut short, a token stream that does not expand to its
// plain length, or more output than room.
long expand_stream(const uint8_t* stream, size_t length, uint8_t* out, size_t room);

}  // namespace wf::store
