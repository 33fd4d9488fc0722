#include "main_class.h"

#include <algorithm>

#include "app_files.h"
#include "class_file.h"
#include "text.h"

namespace {

void unreadable(main_class_search* search, const std::string& where, const std::string& problem) {
  search->warning = warning_line("main class '" + search->name + "' in '" + where +
                                 "' is not a readable class file (" + problem +
                                 "); the JVM would stop with ClassFormatError");
}

// The class file's version, or a warning naming the file and the problem.
void read_version(main_class_search* search, const std::string& bytes, const std::string& where) {
  class_file file;
  std::string problem;
  if (!read_class_file(bytes, &file, &problem)) {
    unreadable(search, where, problem);
  } else if (file.name != search->internal) {
    search->warning = warning_line("main class '" + search->name + "' in '" + where +
                                   "' is named '" + dotted(file.name) +
                                   "' in its class file; the JVM would stop with "
                                   "NoClassDefFoundError (wrong name)");
  } else {
    search->major = file.major;
  }
}

}  // namespace

main_class_search main_class_named(const std::string& name) {
  main_class_search search{name, name, false, 0, ""};
  std::replace(search.internal.begin(), search.internal.end(), '.', '/');
  std::string parts = "/" + search.internal + "/";
  if (parts.find("//") != std::string::npos) {
    search.found = true;
    search.warning = warning_line("main class '" + name +
                                  "' names no class, as a part between its dots is empty; the "
                                  "JVM would stop with ClassNotFoundException");
  }
  return search;
}

void find_main_class(main_class_search* search, const class_path_entry& entry, jar_file* jar) {
  if (search->found) return;
  std::string file_name = search->internal + ".class", bytes, problem;
  if (jar) {
    const jar_entry* found = find_entry(*jar, file_name);
    if (!found) return;
    search->found = true;
    if (read_entry(jar, *found, &bytes, &problem)) {
      read_version(search, bytes, entry.written);
    } else {
      unreadable(search, entry.written, problem);
    }
    return;
  }
  std::replace(file_name.begin(), file_name.end(), '/', '\\');
  bool separated =
      !entry.written.empty() && (entry.written.back() == '\\' || entry.written.back() == '/');
  std::string written = entry.written + (separated ? "" : "\\") + file_name;
  switch (read_app_file(entry.path + u"\\" + to_utf16(file_name), max_entry_size, &bytes)) {
    case file_read::missing:
      return;
    case file_read::ok:
      search->found = true;
      read_version(search, bytes, written);
      return;
    default:
      search->found = true;
      unreadable(search, written, "cannot be read within 16 MiB");
  }
}
