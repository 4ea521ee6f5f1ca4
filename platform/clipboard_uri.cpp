// uri-list reading and writing. Every read stays within the given text; a '%' escape needs
// two hex digits after it or the line is refused.
#include "platform/clipboard_uri.h"

namespace wf::platform {
namespace {

constexpr std::string_view kFileScheme = "file://";

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool unreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
}

// One line's local path, or false.
bool line_path(std::string_view line, std::string* path) {
  if (line.empty() || line[0] == '#') return false;
  if (line.substr(0, kFileScheme.size()) != kFileScheme) return false;
  std::string_view rest = line.substr(kFileScheme.size());
  // "file://host/path": only an empty host or localhost names this machine.
  size_t slash = rest.find('/');
  if (slash == std::string_view::npos) return false;
  std::string_view host = rest.substr(0, slash);
  if (!host.empty() && host != "localhost") return false;
  rest = rest.substr(slash);
  std::string out;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == 0) return false;  // no path holds a zero byte
    if (rest[i] != '%') {
      out += rest[i];
      continue;
    }
    if (rest.size() - i < 3) return false;  // '%' and two digits
    int hi = hex_value(rest[i + 1]), lo = hex_value(rest[i + 2]);
    if (hi < 0 || lo < 0) return false;
    char c = static_cast<char>(hi * 16 + lo);
    if (c == 0) return false;
    out += c;
    i += 2;
  }
  *path = std::move(out);
  return true;
}

}  // namespace

std::vector<std::string> parse_uri_list(std::string_view text) {
  std::vector<std::string> paths;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string path;
    if (line_path(line, &path)) paths.push_back(std::move(path));
    start = end + 1;
  }
  return paths;
}

std::string make_uri_list(const std::vector<std::string>& paths) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const std::string& p : paths) {
    out += kFileScheme;
    for (unsigned char c : p) {
      if (unreserved(c)) {
        out += static_cast<char>(c);
      } else {
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 15];
      }
    }
    out += "\r\n";
  }
  return out;
}

int parse_copied_files(std::string_view text, std::vector<std::string>* paths) {
  size_t end = text.find('\n');
  std::string_view first = text.substr(0, end);
  int effect = first == "copy" ? 1 : first == "cut" ? 2 : -1;
  if (effect < 0) return -1;
  *paths = end == std::string_view::npos ? std::vector<std::string>{}
                                         : parse_uri_list(text.substr(end + 1));
  return effect;
}

std::string make_copied_files(const std::vector<std::string>& paths, int32_t drop_effect) {
  std::string out = (drop_effect & 2) ? "cut" : "copy";
  const std::string list = make_uri_list(paths);  // every line ends in CR LF
  for (size_t start = 0; start < list.size();) {
    const size_t end = list.find("\r\n", start);
    out += '\n';
    out += list.substr(start, end - start);
    start = end + 2;
  }
  return out;
}

}  // namespace wf::platform
