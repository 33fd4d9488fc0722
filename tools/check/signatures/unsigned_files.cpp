#include "unsigned_files.h"

#include <algorithm>
#include <ctime>

#include "app_files.h"
#include "jar.h"
#include "pe_signature.h"
#include "platform/simulated/machine.h"
#include "signature_validity.h"
#include "text.h"

namespace {

const uint64_t max_file = uint64_t{1} << 31;

bool same(const std::u16string& a, const std::u16string& b) {
  simulated_os::ignore_case_less less;
  return !less(a, b) && !less(b, a);
}

std::u16string extension_of(const std::u16string& name) {
  size_t dot = name.rfind(u'.'), slash = name.rfind(u'\\');
  return dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)
             ? u""
             : name.substr(dot);
}

// The note on a PE file, shown as shown, or empty when it carries a valid signature.
std::string program_note(const std::string& bytes, const std::string& shown) {
  pe_layout layout;
  signature_judgement j = judge_signature(bytes, std::time(nullptr));
  if (!read_pe_layout(bytes, &layout) || j.state == signature_state::valid) return "";
  return "note: " +
         (j.state == signature_state::none ? std::string("unsigned")
                                           : "invalid signature (" + j.problem + ")") +
         ", so Smart App Control blocks it: " + shown + "\n";
}

// A script's note, or empty when it carries a signature block; batch files cannot be signed.
std::string script_note(const std::u16string& name, const std::string& shown) {
  std::u16string extension = extension_of(name);
  bool batch = same(extension, u".bat") || same(extension, u".cmd");
  if (!batch && !same(extension, u".ps1") && !same(extension, u".vbs") && !same(extension, u".js"))
    return "";
  std::string bytes;
  if (!batch && read_app_file(name, max_file, &bytes) == file_read::ok &&
      bytes.find("SIG ") != std::string::npos &&
      bytes.find("Begin signature block") != std::string::npos)
    return "";
  return "note: " +
         std::string(batch ? "a batch script, which cannot be signed" : "an unsigned script") +
         ", so Smart App Control may block it: " + shown + "\n";
}

// The notes on the PE files that a jar carries, each shown after the jar's name.
std::string jar_notes(const std::u16string& name, const std::string& shown) {
  std::string bytes, problem, entry_bytes, notes;
  jar_file jar;
  if (read_app_file(name, max_file, &bytes) != file_read::ok ||
      !open_jar(std::move(bytes), &jar, &problem))
    return "";
  for (const jar_entry& entry : jar.entries) {
    std::string_view path = entry.name;
    bool classes = path.size() >= 6 && path.compare(path.size() - 6, 6, ".class") == 0;
    if (classes || path.empty() || path.back() == '/' || entry.size < 64 ||
        !read_entry(&jar, entry, &entry_bytes, &problem) || entry_bytes.compare(0, 2, "MZ") != 0)
      continue;
    notes += program_note(entry_bytes, shown + ": " + std::string(path));
  }
  return notes;
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
  std::string notes, bytes;
  for (const std::u16string& name : names) {
    std::string shown = to_utf8(name.substr(launcher_folder.size() + 1));
    if (same(extension_of(name), u".jar")) {
      notes += jar_notes(name, shown);
    } else if (read_app_file_head(name, 2, &bytes) == file_read::ok && bytes == "MZ") {
      if (read_app_file(name, max_file, &bytes) == file_read::ok)
        notes += program_note(bytes, shown);
    } else {
      notes += script_note(name, shown);
    }
  }
  return notes;
}
