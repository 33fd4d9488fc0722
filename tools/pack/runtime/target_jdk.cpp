#include "runtime/target_jdk.h"

#include <algorithm>

#include "host/host_files.h"
#include "host/refusal.h"
#include "text.h"
#include "zip/zip_archive.h"

namespace {

// The file name of a zip's .jmod entry, in whatever folder it is; empty for other entries.
std::string jmod_of(const std::string& entry) {
  size_t name = entry.rfind('/') + 1;
  bool jmod = entry.size() > name + 5 && entry.compare(entry.size() - 5, 5, ".jmod") == 0;
  return jmod ? entry.substr(name) : "";
}

// The folder of jmods that jlink reads for one module path entry: the entry, its jmods\ or
// where its zip's jmods are extracted.
fs::path jmods_folder(const fs::path& entry, const fs::path& scratch) {
  if (fs::is_regular_file(entry)) {
    windows_tree names{"--module-path " + entry.u8string(), {}};
    extract_zip(entry, scratch, jmod_of, &names);
    return scratch;
  }
  if (!fs::is_directory(entry))
    throw refusal("--module-path " + entry.u8string() + ": is no folder or zip");
  bool jdk = fs::is_directory(entry / "jmods") && !fs::exists(entry / "java.base.jmod");
  return jdk ? entry / "jmods" : entry;
}

// Sets the version, platform and architecture from java.base, which the first entry of
// the module path must hold.
void read_java_base(target_jdk* jdk, const fs::path& entry) {
  auto base = jdk->modules.find("java.base");
  if (base == jdk->modules.end() && jdk->modules.count("javafx.base")) {
    throw refusal("the module path " + entry.u8string() +
                  " has JavaFX's jmods but no java.base.jmod: give the JDK's jmods first, then "
                  "JavaFX's with a second --module-path");
  }
  if (base == jdk->modules.end()) {
    throw refusal("the module path " + entry.u8string() +
                  " has no java.base.jmod, and jlink would then link the host's own Linux "
                  "runtime: give a Windows JDK's jmods folder or its zip (JDKs from 24 on may "
                  "ship without jmods; take a build that has them)");
  }
  jdk->version = base->second.version;
  jdk->platform = base->second.target_platform;
  if (jdk->platform.compare(0, 8, "windows-") != 0) {
    throw refusal("the jmods of " + entry.u8string() + " are for " +
                  (jdk->platform.empty() ? "no named platform" : jdk->platform) +
                  ", not Windows: give a Windows JDK's jmods (windows-amd64 or windows-x86)");
  }
  if (jdk->platform != "windows-amd64" && jdk->platform != "windows-x86")
    throw refusal("the jmods are for " + jdk->platform + "; tavrin's launchers are x64 and x86");
  if (jdk->version.empty()) throw refusal("java.base.jmod records no module version");
  jdk->arch = jdk->platform == "windows-x86" ? architecture::x86 : architecture::x64;
}

}  // namespace

target_jdk read_module_path(const std::vector<fs::path>& module_path, const fs::path& scratch) {
  target_jdk jdk{{}, {}, "", "", architecture::x64, ""};
  std::vector<std::pair<fs::path, std::string>> platforms;  // each jmod's, where it names one
  for (const fs::path& entry : module_path) {
    fs::path folder =
        jmods_folder(entry, scratch / ("jmods-" + std::to_string(jdk.module_path.size() + 1)));
    jdk.module_path.push_back(folder);
    std::vector<fs::path> jmods;
    std::error_code error;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, error)) {
      if (e.path().extension() == ".jmod") jmods.push_back(e.path());
    }
    std::sort(jmods.begin(), jmods.end());
    for (const fs::path& path : jmods) {
      module_descriptor module;
      std::string problem;
      if (!read_jmod_descriptor(read_host_file(path), &module, &problem))
        throw refusal(path.u8string() + ": is not a readable jmod (" + problem + ")");
      if (!module.target_platform.empty()) platforms.emplace_back(path, module.target_platform);
      jdk.modules.emplace(module.name, module);  // jlink too takes the first of a name
    }
    if (jdk.module_path.size() == 1) read_java_base(&jdk, entry);
  }
  std::string versions;  // of JavaFX's modules, "javafx.base 11.0.11, ..."
  std::string first;
  bool differ = false;
  for (const auto& [name, module] : jdk.modules) {
    if (name.compare(0, 7, "javafx.") != 0) continue;
    versions += (versions.empty() ? "" : ", ") + name + " " + module.version;
    differ |= !first.empty() && module.version != first;
    if (first.empty()) first = module.version;
  }
  if (differ) {
    jdk.warnings = warning_line("JavaFX's jmods are of different versions (" + versions +
                                "), and a release of JavaFX works only with its own modules: "
                                "give the jmods of one release");
  }
  for (const auto& [path, platform] : platforms) {
    if (platform != jdk.platform) {
      throw refusal(path.u8string() + ": is built for " + platform + ", but java.base for " +
                    jdk.platform + "; give its jmods for " + jdk.platform);
    }
  }
  return jdk;
}
