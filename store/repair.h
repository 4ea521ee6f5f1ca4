// The timeline repair pass: after an e-mail account's store has loaded, every case listed
// in a Frame but missing from its month timeline is entered again (keeping its serial) and
// a timeline-check change record is journaled for it.
//
// It runs on a background thread; it copies each Frame's case list under the desk data
// lock and works on the copy, so the desk may go on editing while it runs.
#pragma once

namespace wf::store {

// Starts the pass on its own thread (a pass still running is waited for first).
void start_repair_pass();
// Waits for a started pass to end. Harmless when none runs. Do not call it while holding
// the desk data lock (the pass needs it); stop_repair_pass is safe there.
void wait_repair_pass();
// Asks a running pass to stop and waits for it (free_store and load_store call it).
void stop_repair_pass();
// The pass itself, on the calling thread. Returns the number of cases re-entered.
int run_repair_pass();

}  // namespace wf::store
