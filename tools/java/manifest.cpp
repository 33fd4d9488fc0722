#include "manifest.h"

#include <algorithm>

#include "text.h"

namespace {

// Whether line is a header named name, and its value after the ':'.
bool header(std::string_view line, std::string_view name, std::string_view* value) {
  if (line.size() <= name.size() || line[name.size()] != ':' ||
      !equal_ignoring_case(line.substr(0, name.size()), name))
    return false;
  *value = line.substr(name.size() + 1);
  return true;
}

// The main section's attributes in the first count lines.
jar_manifest main_attributes(const std::vector<std::string_view>& lines, size_t count) {
  std::vector<std::string> headers;  // continuations joined
  for (size_t i = 0; i < count && !lines[i].empty(); ++i) {
    if (lines[i][0] == ' ' && !headers.empty()) {
      headers.back().append(lines[i].substr(1));
    } else {
      headers.emplace_back(lines[i]);
    }
  }
  jar_manifest manifest{{}, false, false, ""};
  for (const std::string& line : headers) {
    std::string_view value;
    if (header(line, "Multi-Release", &value)) {
      manifest.multi_release = equal_ignoring_case(value, " true");
    }
    if (header(line, "Main-Class", &value)) {
      size_t start = value.find_first_not_of(' ');
      manifest.main_class =
          start == std::string_view::npos
              ? ""
              : std::string(value.substr(start, value.find_last_not_of(' ') + 1 - start));
    }
    if (!header(line, "Class-Path", &value)) continue;
    manifest.class_path.clear();
    // The separators of the JDK's StringTokenizer.
    const char* separators = " \t\r\n\f";
    for (size_t at = 0; (at = value.find_first_not_of(separators, at)) != std::string::npos;) {
      size_t end = std::min(value.find_first_of(separators, at), value.size());
      manifest.class_path.emplace_back(value.substr(at, end - at));
      at = end;
    }
  }
  return manifest;
}

}  // namespace

jar_manifest read_manifest(std::string_view text) {
  std::vector<std::string_view> lines = text_lines(text);
  bool unended = !text.empty() && text.back() != '\n' && text.back() != '\r';
  jar_manifest manifest = main_attributes(lines, lines.size() - unended);
  manifest.lost_class_path =
      unended && main_attributes(lines, lines.size()).class_path != manifest.class_path;
  return manifest;
}
