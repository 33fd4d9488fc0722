#include "target_jdk.h"

#include "host_files.h"
#include "refusal.h"
#include "zip_archive.h"

namespace {

// The jmod file names of a zip's entries (jmods/x.jmod at any depth) as extracted.
std::string jmod_of(const std::string& entry) {
  size_t name = entry.rfind('/') + 1;
  bool in_jmods = name >= 6 && entry.compare(name - 6, 6, "jmods/") == 0 &&
                  (name == 6 || entry[name - 7] == '/');
  bool jmod = entry.size() > name + 5 && entry.compare(entry.size() - 5, 5, ".jmod") == 0;
  return in_jmods && jmod ? entry.substr(name) : "";
}

fs::path jmods_folder(const fs::path& module_path, const fs::path& scratch) {
  if (fs::is_regular_file(module_path)) {
    windows_tree names{"--module-path " + module_path.u8string(), {}};
    extract_zip(module_path, scratch / "jmods", jmod_of, &names);
    return scratch / "jmods";
  }
  if (!fs::is_directory(module_path))
    throw refusal("--module-path " + module_path.u8string() + ": is no folder or zip");
  bool jdk = fs::is_directory(module_path / "jmods") && !fs::exists(module_path / "java.base.jmod");
  return jdk ? module_path / "jmods" : module_path;
}

}  // namespace

target_jdk read_module_path(const fs::path& module_path, const fs::path& scratch) {
  target_jdk jdk{jmods_folder(module_path, scratch), {}, "", "", architecture::x64};
  std::error_code error;
  for (const fs::directory_entry& e : fs::directory_iterator(jdk.jmods, error)) {
    if (e.path().extension() != ".jmod") continue;
    module_descriptor module;
    std::string problem;
    if (!read_jmod_descriptor(read_host_file(e.path()), &module, &problem))
      throw refusal(e.path().u8string() + ": is not a readable jmod (" + problem + ")");
    jdk.modules[module.name] = module;
  }
  auto base = jdk.modules.find("java.base");
  if (base == jdk.modules.end()) {
    throw refusal("the module path " + module_path.u8string() +
                  " has no java.base.jmod, and jlink would then link the host's own Linux "
                  "runtime: give a Windows JDK's jmods folder or its zip (JDKs from 24 on may "
                  "ship without jmods; take a build that has them)");
  }
  jdk.version = base->second.version;
  jdk.platform = base->second.target_platform;
  if (jdk.platform.compare(0, 8, "windows-") != 0) {
    throw refusal("the jmods of " + module_path.u8string() + " are for " +
                  (jdk.platform.empty() ? "no named platform" : jdk.platform) +
                  ", not Windows: give a Windows JDK's jmods (windows-amd64 or windows-x86)");
  }
  if (jdk.platform != "windows-amd64" && jdk.platform != "windows-x86")
    throw refusal("the jmods are for " + jdk.platform + "; tavrin's launchers are x64 and x86");
  if (jdk.version.empty()) throw refusal("java.base.jmod records no module version");
  jdk.arch = jdk.platform == "windows-x86" ? architecture::x86 : architecture::x64;
  return jdk;
}
