#include "manifest.h"

namespace {

bool is_class_path(std::string_view line) {
  const char name[] = "class-path:";
  if (line.size() < sizeof name - 1) return false;
  for (size_t i = 0; i < sizeof name - 1; ++i) {
    char c = line[i];
    if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != name[i]) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> manifest_class_path(std::string_view manifest) {
  // The main section's header lines, continuations joined.
  std::vector<std::string> lines;
  for (size_t at = 0; at < manifest.size();) {
    size_t end = manifest.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = manifest.size();
    std::string_view line = manifest.substr(at, end - at);
    at = end + (manifest.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    if (line.empty()) break;
    if (line[0] == ' ' && !lines.empty()) {
      lines.back().append(line.substr(1));
    } else {
      lines.emplace_back(line);
    }
  }
  std::vector<std::string> urls;
  for (const std::string& line : lines) {
    if (!is_class_path(line)) continue;
    urls.clear();  // as in java.util.jar, a repeated attribute replaces the one before
    for (size_t at = sizeof "class-path:" - 1; at < line.size();) {
      size_t start = line.find_first_not_of(' ', at);
      if (start == std::string::npos) break;
      at = line.find(' ', start);
      if (at == std::string::npos) at = line.size();
      urls.push_back(line.substr(start, at - start));
    }
  }
  return urls;
}
