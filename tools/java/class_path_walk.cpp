#include "class_path_walk.h"

#include <set>

#include "app_files.h"
#include "manifest.h"
#include "multi_release.h"
#include "platform/simulated/machine.h"
#include "text.h"

namespace {

// A jar file larger than this is not read.
constexpr uint64_t max_jar_size = uint64_t{1} << 30;

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percent_decoded(const std::string& url) {
  std::string text;
  for (size_t i = 0; i < url.size(); ++i) {
    int high = i + 2 < url.size() && url[i] == '%' ? hex_digit(url[i + 1]) : -1;
    int low = high >= 0 ? hex_digit(url[i + 2]) : -1;
    if (low < 0) {
      text += url[i];
      continue;
    }
    text += static_cast<char>(high << 4 | low);
    i += 2;
  }
  return text;
}

// The Windows path of a Class-Path URL, relative to the jar's folder (ending in '\'), or
// empty for a URL of a scheme other than file, which the check cannot follow.
std::u16string resolve_url(const std::string& url, const std::u16string& folder) {
  std::string path = percent_decoded(url);
  if (path.compare(0, 5, "file:") == 0) path.erase(0, 5);
  size_t start = path.find_first_not_of('/');
  if (start != std::string::npos && start > 0 && start + 1 < path.size() &&
      path[start + 1] == ':') {
    return to_utf16(path.substr(start));  // /C:/lib/a.jar
  }
  size_t colon = path.find(':');
  if (colon != std::string::npos && colon < path.find('/')) return std::u16string();
  std::u16string text = to_utf16(path);
  if (start > 0) return folder.substr(0, 2) + text;  // /lib/a.jar, on the jar's drive
  return folder + text;
}

struct pending {
  class_path_entry entry;
  bool from_manifest;
};

}  // namespace

void walk_class_path(const std::vector<class_path_entry>& kept, int feature,
                     const std::function<void(const class_path_entry&, jar_file* jar)>& visit,
                     std::string* warnings) {
  std::set<std::u16string, simulated_os::ignore_case_less> seen;
  std::vector<pending> stack;
  for (auto it = kept.rbegin(); it != kept.rend(); ++it) stack.push_back({*it, false});
  jar_file jar;
  std::string text, problem;
  while (!stack.empty()) {
    pending next = std::move(stack.back());
    stack.pop_back();
    const class_path_entry& entry = next.entry;
    if (!seen.insert(simulated_os::lookup_name(entry.path.c_str())).second) continue;
    bool named_as_directory = !entry.written.empty() && entry.written.back() == '/';
    if (is_app_directory(entry.path) && (!next.from_manifest || named_as_directory)) {
      visit(entry, nullptr);
      continue;
    }
    std::string bytes;
    switch (read_app_file(entry.path, max_jar_size, &bytes)) {
      case file_read::ok:
        if (!open_jar(std::move(bytes), &jar, &problem)) break;
        if (const jar_entry* found =
                jar.manifest.empty() ? nullptr : find_entry(jar, jar.manifest)) {
          if (!read_entry(&jar, *found, &text, &problem)) break;
          jar_manifest manifest = read_manifest(text);
          if (manifest.lost_class_path) {
            *warnings += warning_line("'" + entry.written +
                                      "' has a manifest whose last line lacks a line end; the "
                                      "JVM ignores that line and the Class-Path it holds");
          }
          std::u16string folder = entry.path.substr(0, entry.path.find_last_of(u"\\/") + 1);
          // Each name once, and none already walked, so that the work stays bounded by
          // the manifest's size and the app's files.
          std::vector<pending> found_entries;
          std::set<std::u16string, simulated_os::ignore_case_less> named;
          for (const std::string& url : manifest.class_path) {
            std::u16string path = resolve_url(url, folder);
            if (path.empty()) continue;
            std::u16string name = simulated_os::lookup_name(path.c_str());
            if (seen.count(name) || !named.insert(name).second) continue;
            if (stored_file_name(path).empty() && !is_app_directory(path)) {
              *warnings += warning_line("'" + entry.written + "' names '" + url +
                                        "' in its manifest Class-Path, which does not exist");
              continue;
            }
            found_entries.push_back({{url, path}, true});
          }
          stack.insert(stack.end(), found_entries.rbegin(), found_entries.rend());
          // A runtime before 9 knows no versions.
          if (manifest.multi_release && feature > 8) select_release(&jar, feature);
        }
        visit(entry, &jar);
        continue;
      case file_read::too_large:
        problem = "larger than 1 GiB";
        break;
      case file_read::missing:
        problem = "a directory named without a trailing /";
        break;
      case file_read::unreadable:
        problem = "cannot be read";
        break;
    }
    *warnings += warning_line("class-path file '" + entry.written + "' is not a readable jar (" +
                              problem + "); the JVM would skip it");
  }
}
