// Time for the whole program: the millisecond tick count, a high-resolution clock, and
// sleeping. Tests switch to a virtual clock so that frame pacing, tickers and idle rules
// run without real waiting.
//
// On the virtual clock, time moves only when somebody advances it: advance_clock_ms() from a
// test, or sleep_ms() on the driving thread (which advances by the time it would sleep).
// Background threads use wait_ms(), which waits until the clock has moved on by that much.
#pragma once
#include <cstdint>

namespace wf::platform {

uint32_t tick_ms();     // milliseconds since an arbitrary start, wrapping at 2^32
double precise_ms();    // milliseconds, high resolution, since the same start
void sleep_ms(int ms);  // negative or 0: returns at once
void wait_ms(int ms);   // for background threads; same as sleep_ms on the real clock

void use_virtual_clock(bool on);  // the virtual clock starts at 1000 ms
bool virtual_clock();
void advance_clock_ms(double ms);

}  // namespace wf::platform
