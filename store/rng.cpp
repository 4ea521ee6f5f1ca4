// The minimal-standard generator step and the two process-wide generator instances.
#include "store/rng.h"

#include <mutex>

namespace wf::store {

int32_t rng_step(int32_t x) {
  // Schrage's method, with the products taken modulo 2^32 (unsigned arithmetic, so there is
  // no signed overflow) and read back as signed 32-bit.
  int32_t q = x / kRngQuotient;
  uint32_t v = static_cast<uint32_t>(x) * static_cast<uint32_t>(kRngMultiplier) -
               static_cast<uint32_t>(q) * static_cast<uint32_t>(kRngModulus);
  int32_t next = static_cast<int32_t>(v);
  if (next <= 0) next = static_cast<int32_t>(v + static_cast<uint32_t>(kRngModulus));
  return next;
}

MinStdRng& cipher_rng() {
  static MinStdRng rng;
  return rng;
}

namespace {
std::mutex g_general_lock;
MinStdRng g_general;
}  // namespace

void seed_general_rng(int32_t seed) {
  if (seed == 0 || seed == kRngModulus) seed = 1;
  std::lock_guard<std::mutex> hold(g_general_lock);
  g_general.seed(seed);
}

int32_t next_general_rng() {
  std::lock_guard<std::mutex> hold(g_general_lock);
  return g_general.next();
}

}  // namespace wf::store
