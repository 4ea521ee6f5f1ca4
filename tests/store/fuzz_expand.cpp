// Fuzz target: expanding arbitrary bytes as a block stream (and the first bytes as one coded
// block) must never read or write outside the buffers; what expands must compress and expand
// back to itself.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "store/compress.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace wf::store;
  std::vector<uint8_t> out(1 << 18);
  long n = expand_stream(data, size, out.data(), out.size());

  if (size >= 2) {  // the same bytes as one coded block, its length from the first two
    int length = (data[0] | (data[1] << 8)) + 1;
    std::vector<uint8_t> block(static_cast<size_t>(length));
    CCompressLZ77 coder;
    coder.Decompress(block.data(), length, data + 2, size - 2);
  }

  if (n <= 0 || n > 65536) return 0;  // keep each run short
  std::vector<uint8_t> stream(compress_stream_bound(static_cast<size_t>(n)));
  long s = compress_stream(out.data(), static_cast<size_t>(n), stream.data(), stream.size());
  std::vector<uint8_t> back(static_cast<size_t>(n));
  if (s < 0 || expand_stream(stream.data(), static_cast<size_t>(s), back.data(), back.size()) != n ||
      std::memcmp(back.data(), out.data(), static_cast<size_t>(n)) != 0)
    __builtin_trap();
  return 0;
}
