// Physical memory facts for the client-info block.
#pragma once
#include <cstdint>

namespace wf::platform {

// Total and available physical memory in MiB. Returns 0, or -1 when unknown (both 0).
int memory_status(uint32_t* total_mib, uint32_t* available_mib);

}  // namespace wf::platform
