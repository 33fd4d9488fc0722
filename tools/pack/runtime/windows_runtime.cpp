#include "runtime/windows_runtime.h"

#include "host/host_files.h"
#include "host/pe_header.h"
#include "host/refusal.h"
#include "zip/zip_archive.h"

namespace {

// The one folder that holds every entry of the zip, with its '/', or empty.
std::string top_folder(const fs::path& zip) {
  std::string top;
  for (const std::string& name : zip_names(zip)) {
    std::string first = name.substr(0, name.find('/') + 1);
    if (first.empty() || (!top.empty() && first != top)) return "";
    top = first;
  }
  return top;
}

}  // namespace

void require_windows_runtime(const fs::path& runtime, bool console, const std::string& what) {
  const char* program = console ? "java.exe" : "javaw.exe";
  if (!fs::is_regular_file(runtime / "bin" / program))
    throw refusal(what + " has no bin\\" + program);
  if (!fs::is_regular_file(runtime / "bin/server/jvm.dll") &&
      !fs::is_regular_file(runtime / "bin/client/jvm.dll"))
    throw refusal(what + " has no bin\\server\\jvm.dll (nor bin\\client\\jvm.dll)");
}

architecture copy_runtime_image(const fs::path& from, const fs::path& to) {
  std::string what = "--runtime-image " + from.u8string();
  bool folder = fs::is_directory(from);
  windows_tree names{what, {}};
  if (!folder) {
    std::string top = top_folder(from);
    extract_zip(
        from, to, [&](const std::string& name) { return name.substr(top.size()); }, &names);
  }
  const fs::path& runtime = folder ? from : to;
  std::string java =
      fs::is_regular_file(runtime / "bin/java.exe") ? read_host_file(runtime / "bin/java.exe") : "";
  pe_header header{0, 0};
  unsigned machine = read_pe_header(java, &header) ? header.machine : 0;
  if (machine != 0x8664 && machine != 0x14C) {
    throw refusal(what + ": is not a Windows runtime of x64 or x86 (its bin\\java.exe " +
                  (java.empty() ? "is missing" : "is no x64 or x86 Windows program") + ")");
  }
  if (folder) copy_folder(from, to, &names);
  return machine == 0x14C ? architecture::x86 : architecture::x64;
}
