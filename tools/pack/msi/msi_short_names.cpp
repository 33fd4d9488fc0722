#include "msi/msi_short_names.h"

#include <algorithm>

namespace {

bool short_character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         std::string("_-~!#&'()@^").find(c) != std::string::npos;
}

// The upper-cased short characters of text, at most limit of them.
std::string short_part(const std::string& text, size_t limit) {
  std::string part;
  for (char c : text) {
    if (short_character(c) && part.size() < limit)
      part += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  }
  return part;
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return text;
}

}  // namespace

std::string msi_filename(const std::string& name, short_names* folder) {
  size_t dot = name.rfind('.');
  std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
  bool short_already = !stem.empty() && stem.size() <= 8 && extension.size() <= 3 &&
                       (dot == std::string::npos || !extension.empty()) &&
                       std::all_of(stem.begin(), stem.end(), short_character) &&
                       std::all_of(extension.begin(), extension.end(), short_character);
  if (short_already && folder->insert(upper(name)).second) return name;
  if (stem.empty()) std::swap(stem, extension);  // .gitignore: GITIGN~1
  std::string base = short_part(stem, 8), suffix = short_part(extension, 3);
  if (base.empty()) base = "_";
  for (unsigned n = 1;; ++n) {
    std::string tail = "~" + std::to_string(n);
    std::string candidate =
        base.substr(0, 8 - tail.size()) + tail + (suffix.empty() ? "" : "." + suffix);
    if (folder->insert(candidate).second) return candidate + "|" + name;
  }
}
