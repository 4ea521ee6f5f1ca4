// The program's own embedded resources: named byte blobs of a type ("IMGS" for the skin
// pictures), built into the program file by cmake/WfResources.cmake. Each generated table
// registers itself before main(); lookups compare type and name without regard to case, as
// resource names are.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace wf::platform {

struct EmbeddedResource {
  const char* type;
  const char* name;
  const unsigned char* begin;
  const unsigned char* end;
};

// Adds count entries (the table must live for the whole run). Returns 0.
int register_resources(const EmbeddedResource* table, size_t count);

// Finds a resource; returns 0 and its bytes, or -1 when there is none of that type and name.
int find_resource(std::string_view type, std::string_view name, const uint8_t** data,
                  size_t* size);

}  // namespace wf::platform
