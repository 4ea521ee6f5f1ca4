// The layer's random numbers: one MT19937 generator (standard algorithm and tempering),
// initial seed 19650218.
#include <ctime>
#include <mutex>
#include <random>

#include "draw/graphics.h"

namespace wf::draw {
namespace {

constexpr uint32_t INITIAL_SEED = 19650218u;
constexpr double TWO_POW_MINUS_32 = 1.0 / 4294967296.0;

std::mutex g_random_lock;
std::mt19937 g_generator(INITIAL_SEED);
uint32_t g_seed_calls = 0;

uint32_t next_output() {
  std::lock_guard<std::mutex> hold(g_random_lock);
  return static_cast<uint32_t>(g_generator());
}

}  // namespace

void seedrandom() {
  std::lock_guard<std::mutex> hold(g_random_lock);
  g_generator.seed(static_cast<uint32_t>(std::time(nullptr)) + g_seed_calls);
  ++g_seed_calls;
}

double randunit() { return next_output() * TWO_POW_MINUS_32; }

unsigned randbelow(unsigned n) {
  uint32_t r = next_output();
  if (n == 0) return r;
  return static_cast<unsigned>(r * TWO_POW_MINUS_32 * n);
}

}  // namespace wf::draw
