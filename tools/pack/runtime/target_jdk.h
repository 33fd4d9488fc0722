// The target JDK's modules, from a Windows JDK's jmods and more jmods beside them (such as
// JavaFX's): what each exports, and what java.base says of the whole: its version and the
// platform it was built for.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "image/launchers.h"
#include "module_descriptor.h"

namespace fs = std::filesystem;

struct target_jdk {
  std::vector<fs::path> module_path;                 // the folders of jmods jlink reads
  std::map<std::string, module_descriptor> modules;  // by name; the first of a name
  std::string version;                               // java.base's, such as 17.0.15
  std::string platform;                              // java.base's, such as windows-amd64
  architecture arch;
  std::string warnings;  // lines: JavaFX's modules of more than one version
};

// Reads the module path: a jmods folder, a JDK folder holding one, or a JDK zip, then more
// folders or zips of jmods; the jmods of zips are extracted into scratch. Refuses a module
// path without java.base in its first place (jlink would link the host's own runtime
// instead; when it holds JavaFX's jmods, saying to give the JDK's first), jmods not built for
// Windows, a platform no launcher serves, and a jmod built for another platform than
// java.base. JavaFX's modules of different versions are a warning, as a release of JavaFX
// works only with its own modules.
target_jdk read_module_path(const std::vector<fs::path>& module_path, const fs::path& scratch);
