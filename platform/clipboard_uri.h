// File lists as the desktop clipboard carries them: text/uri-list ("file://" URIs, one per
// line, CR LF, '%' escapes) and the file managers' copied-files form (a first line "copy"
// or "cut", then the URIs).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wf::platform {

// The local file paths of a uri-list; other schemes, comments and malformed lines are
// skipped. Paths are bytes as the URI names them (UTF-8 on this desktop).
std::vector<std::string> parse_uri_list(std::string_view text);
// A uri-list of local paths: "file://" + the path with every byte outside the unreserved
// set and '/' escaped, each line ended by CR LF.
std::string make_uri_list(const std::vector<std::string>& paths);

// The copied-files form: drop effect 1 (copy) or 2 (cut) from its first line, the paths
// from the rest. Returns -1 when the first line is neither.
int parse_copied_files(std::string_view text, std::vector<std::string>* paths);
std::string make_copied_files(const std::vector<std::string>& paths, int32_t drop_effect);

}  // namespace wf::platform
