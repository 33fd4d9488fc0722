#include "unsigned_files.h"

#include <algorithm>

#include "app_files.h"
#include "pe_signature.h"
#include "platform/simulated/machine.h"
#include "text.h"

namespace {

// Whether the name ends in .exe or .dll, in any case.
bool is_program(const std::u16string& name) {
  size_t dot = name.rfind(u'.');
  std::u16string extension = dot == std::u16string::npos ? u"" : name.substr(dot);
  simulated_os::ignore_case_less less;
  auto is = [&](const std::u16string& e) { return !less(extension, e) && !less(e, extension); };
  return is(u".exe") || is(u".dll");
}

// Whether a file below the folder lies in runtime-HASH\, the runtime of a self-updating app,
// named after its content.
bool has_content_runtime(const std::u16string& folder, const std::vector<std::u16string>& names) {
  std::u16string prefix = folder + u"\\runtime-";
  return std::any_of(names.begin(), names.end(), [&](const std::u16string& name) {
    return name.compare(0, prefix.size(), prefix) == 0 && name.size() > prefix.size() + 16 &&
           name[prefix.size() + 16] == u'\\';
  });
}

}  // namespace

std::string unsigned_file_notes(const std::u16string& launcher_folder) {
  std::vector<std::u16string> names = files_below(launcher_folder);
  if (!is_app_directory(launcher_folder + u"\\runtime") &&
      !has_content_runtime(launcher_folder, names))
    return "";
  std::sort(names.begin(), names.end());
  std::string notes, bytes, signature;
  for (const std::u16string& name : names) {
    if (!is_program(name) || read_app_file(name, uint64_t{1} << 31, &bytes) != file_read::ok ||
        !read_pe_signature(bytes, &signature) || !signature.empty())
      continue;
    notes += "note: unsigned, so Smart App Control blocks it: " +
             to_utf8(name.substr(launcher_folder.size() + 1)) + "\n";
  }
  return notes;
}
