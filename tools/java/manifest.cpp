#include "manifest.h"

namespace {

// Whether line starts with the attribute name (given in lower case) and its colon.
bool is_attribute(std::string_view line, std::string_view name) {
  if (line.size() <= name.size() || line[name.size()] != ':') return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = line[i];
    if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != name[i]) return false;
  }
  return true;
}

// The main section's header lines, continuations joined.
std::vector<std::string> main_section(std::string_view manifest) {
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
  return lines;
}

}  // namespace

std::vector<std::string> manifest_class_path(std::string_view manifest) {
  std::vector<std::string> urls;
  for (const std::string& line : main_section(manifest)) {
    if (!is_attribute(line, "class-path")) continue;
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

std::string manifest_main_class(std::string_view manifest) {
  std::string main_class;
  for (const std::string& line : main_section(manifest)) {
    if (!is_attribute(line, "main-class")) continue;
    size_t start = line.find_first_not_of(' ', sizeof "main-class:" - 1);
    size_t end = line.find_last_not_of(' ');
    main_class = start == std::string::npos ? "" : line.substr(start, end + 1 - start);
  }
  return main_class;
}
