// Fuzz target: unsealing arbitrary bytes into a settings-sized buffer must never read or write
// outside the buffers; whatever unseals must seal and unseal back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "store/sealed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace wf::store;
  std::vector<uint8_t> out(2048);
  long n = unseal(data, size, out.data(), out.size());
  if (n < 0) return 0;
  if (n > 2048) __builtin_trap();
  std::vector<uint8_t> again(sealed_size(static_cast<size_t>(n)));
  long m = seal_with_seed(7, out.data(), static_cast<size_t>(n), again.data(), again.size());
  std::vector<uint8_t> back(2048);
  if (m < 0 || unseal(again.data(), static_cast<size_t>(m), back.data(), back.size()) != n ||
      std::memcmp(back.data(), out.data(), static_cast<size_t>(n)) != 0)
    __builtin_trap();
  return 0;
}
