#include "module_use.h"

#include "app_files.h"
#include "class_file.h"
#include "module_table.h"
#include "platform/simulated/machine.h"
#include "text.h"

namespace {

bool is_class_name(std::string_view name) {
  return name.size() > 6 && name.compare(name.size() - 6, 6, ".class") == 0;
}

// Records the modules that one class file's references need and the runtime lacks. False
// with *problem set when it is no class file.
bool record_class(module_use* use, const std::string& place, const std::string& bytes,
                  class_file* file, std::string* problem) {
  if (!read_class_file(bytes, file, problem)) return false;
  for (std::string_view name : file->classes) {
    size_t slash = name.rfind('/');
    if (slash == std::string_view::npos) continue;
    int module = module_of_package(name.substr(0, slash));
    if (module < 0 || use->provided[module] || !use->missing[module].place.empty()) continue;
    std::string dotted(name);
    for (char& c : dotted) {
      if (c == '/') c = '.';
    }
    use->missing[module] = {place, dotted};
  }
  return true;
}

void unreadable(module_use* use, const std::string& place, const std::string& what,
                const std::string& problem) {
  use->warnings += warning_line("'" + place + "' holds '" + what + "', which cannot be read (" +
                                problem + "); its classes were not all checked for modules");
}

}  // namespace

module_use modules_provided(const std::vector<std::string>& names) {
  module_use use{std::vector<bool>(module_count()), std::vector<first_use>(module_count()), ""};
  for (const std::string& name : names) {
    for (int i = 0; i < module_count(); ++i) {
      if (name == module_name(i)) use.provided[i] = true;
    }
  }
  return use;
}

void record_module_use(module_use* use, const class_path_entry& entry, jar_file* jar) {
  class_file file;
  std::string bytes, problem;
  if (jar) {
    for (const jar_entry& e : jar->entries) {
      if (!is_class_name(e.name) || e.name.compare(0, 9, "META-INF/") == 0) continue;
      if (!read_entry(jar, e, &bytes, &problem) ||
          !record_class(use, entry.written, bytes, &file, &problem)) {
        unreadable(use, entry.written, std::string(e.name), problem);
        return;
      }
    }
    return;
  }
  size_t folder = simulated_os::lookup_name(entry.path.c_str()).size() + 1;
  for (const std::u16string& name : files_below(entry.path)) {
    std::string utf8 = to_utf8(name.substr(folder));
    if (!is_class_name(utf8)) continue;
    if (read_app_file(name, max_entry_size, &bytes) != file_read::ok) {
      problem = "larger than 16 MiB, or unreadable";
    } else if (record_class(use, entry.written, bytes, &file, &problem)) {
      continue;
    }
    unreadable(use, entry.written, utf8, problem);
    return;
  }
}
