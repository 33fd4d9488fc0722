#include "class_scan.h"

#include "app_files.h"
#include "platform/simulated/machine.h"
#include "text.h"

namespace {

bool is_class_name(std::string_view name) {
  return name.size() > 6 && name.compare(name.size() - 6, 6, ".class") == 0;
}

void unreadable(std::string* warnings, const std::string& place, const std::string& what,
                const std::string& problem) {
  *warnings += warning_line("'" + place + "' holds '" + what + "', which cannot be read (" +
                            problem + "); its classes were not all checked");
}

}  // namespace

void scan_classes(const class_path_entry& entry, jar_file* jar,
                  const std::function<void(const class_file&)>& use, std::string* warnings) {
  class_file file;
  std::string bytes, problem;
  if (jar) {
    for (const jar_entry& e : jar->entries) {
      if (!is_class_name(e.name) || e.name.compare(0, 9, "META-INF/") == 0) continue;
      if (!read_entry(jar, e, &bytes, &problem) || !read_class_file(bytes, &file, &problem)) {
        unreadable(warnings, entry.written, std::string(e.stored), problem);
        return;
      }
      use(file);
    }
    return;
  }
  size_t folder = simulated_os::lookup_name(entry.path.c_str()).size() + 1;
  for (const std::u16string& name : files_below(entry.path)) {
    std::string utf8 = to_utf8(name.substr(folder));
    if (!is_class_name(utf8)) continue;
    if (read_app_file(name, max_entry_size, &bytes) != file_read::ok) {
      problem = "larger than 16 MiB, or unreadable";
    } else if (read_class_file(bytes, &file, &problem)) {
      use(file);
      continue;
    }
    unreadable(warnings, entry.written, utf8, problem);
    return;
  }
}
