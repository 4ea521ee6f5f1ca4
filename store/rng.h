// The minimal-standard pseudo-random generator (x <- 16807 * x mod (2^31 - 1), by Schrage's
// method) and the program's two process-wide instances of it:
//  - the cipher generator, used only by the sealer (sealed.h) under the seal lock, for the
//    seed and the key bytes of each sealed file;
//  - the general generator, seeded once at start-up, which gives folder ids, stamp serials,
//    random skins and decoration.
// The step is part of the sealed file format: the same state must give the same outputs on
// every build, so it is computed exactly as below and never replaced by a library engine.
#pragma once
#include <cstdint>

namespace wf::store {

constexpr int32_t kRngMultiplier = 16807;
constexpr int32_t kRngModulus = 2147483647;  // 2^31 - 1
constexpr int32_t kRngQuotient = 127773;     // modulus / multiplier

// One step from state x; returns the new state (which is also the output).
// For x in 1 ... 2^31 - 2 this is x * 16807 mod (2^31 - 1).
int32_t rng_step(int32_t x);

// One generator: a plain state. Not locked; the owner serialises its use.
struct MinStdRng {
  int32_t state = 1;
  void seed(int32_t s) { state = s; }
  int32_t next() { state = rng_step(state); return state; }
};

// The cipher generator. Only the sealer touches it, while holding the seal lock.
MinStdRng& cipher_rng();

// The general generator, shared by every thread; both calls are serialised by one lock.
// A seed of 0 or 2^31 - 1 would leave the generator stuck on one value, so those seeds are
// taken as 1.
void seed_general_rng(int32_t seed);
int32_t next_general_rng();

}  // namespace wf::store
