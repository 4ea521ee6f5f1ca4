// Small file helpers shared by every module that writes whole files or looks at names:
// a write that never leaves half a file, and a case-blind extension test.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wf::platform {

// Writes n bytes to a side file next to `native_path` and renames it over the target, so
// that a failed write leaves the old file as it was and no stray side file. 0 or -1.
int write_file_atomic(const std::string& native_path, const void* data, size_t n);

// True when `name` ends with `extension` (given in lower case, with its dot), in any case.
bool has_extension(std::string_view name, std::string_view extension);

}  // namespace wf::platform
