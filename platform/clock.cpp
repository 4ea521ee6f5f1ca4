// Real clock on CLOCK_MONOTONIC; virtual clock as a shared counter with a condition variable
// for the threads that wait on it.
#include "platform/clock.h"

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <time.h>

namespace wf::platform {
namespace {

std::atomic<bool> g_virtual{false};
std::mutex g_lock;
std::condition_variable g_moved;
double g_virtual_ms = 1000.0;

double real_ms() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

void real_sleep(int ms) {
  timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

}  // namespace

double precise_ms() {
  if (!g_virtual) return real_ms();
  std::lock_guard<std::mutex> hold(g_lock);
  return g_virtual_ms;
}

uint32_t tick_ms() { return static_cast<uint32_t>(static_cast<uint64_t>(precise_ms())); }

void sleep_ms(int ms) {
  if (ms <= 0) return;
  if (g_virtual) {
    advance_clock_ms(ms);
    return;
  }
  real_sleep(ms);
}

void wait_ms(int ms) {
  if (ms <= 0) return;
  if (!g_virtual) {
    real_sleep(ms);
    return;
  }
  std::unique_lock<std::mutex> hold(g_lock);
  double until = g_virtual_ms + ms;
  g_moved.wait(hold, [&] { return g_virtual_ms >= until || !g_virtual; });
}

void use_virtual_clock(bool on) {
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_virtual = on;
    if (on) g_virtual_ms = 1000.0;
  }
  g_moved.notify_all();
}

bool virtual_clock() { return g_virtual; }

void advance_clock_ms(double ms) {
  {
    std::lock_guard<std::mutex> hold(g_lock);
    g_virtual_ms += ms;
  }
  g_moved.notify_all();
}

}  // namespace wf::platform
