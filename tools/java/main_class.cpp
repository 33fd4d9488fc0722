#include "main_class.h"

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
  if (read_class_file(bytes, &file, &problem)) {
    search->major = file.major;
  } else {
    unreadable(search, where, problem);
  }
}

}  // namespace

void find_main_class(main_class_search* search, const class_path_entry& entry, jar_file* jar) {
  if (search->found) return;
  std::string file_name = search->name;
  for (char& c : file_name) {
    if (c == '.') c = '/';
  }
  file_name += ".class";
  std::string bytes, problem;
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
  std::u16string relative = u"\\" + to_utf16(file_name);
  for (char16_t& c : relative) {
    if (c == u'/') c = u'\\';
  }
  std::u16string stored = stored_file_name(entry.path + relative);
  if (stored.empty()) return;
  search->found = true;
  bool separated =
      !entry.written.empty() && (entry.written.back() == '\\' || entry.written.back() == '/');
  std::string written =
      entry.written + to_utf8(stored.substr(stored.size() - relative.size() + separated));
  if (stored.compare(stored.size() - relative.size(), relative.size(), relative) != 0) {
    search->warning =
        warning_line("class file '" + written + "' matches main class '" + search->name +
                     "' only in another case; the JVM would stop with "
                     "NoClassDefFoundError (wrong name)");
    return;
  }
  if (read_app_file(stored, max_entry_size, &bytes) == file_read::ok) {
    read_version(search, bytes, written);
  } else {
    unreadable(search, written, "cannot be read within 16 MiB");
  }
}
