// The target JDK's modules, from a Windows JDK's jmods: what each exports, and what
// java.base says of the whole: its version and the platform it was built for.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "launchers.h"
#include "module_descriptor.h"

namespace fs = std::filesystem;

struct target_jdk {
  fs::path jmods;                                    // the folder that jlink reads
  std::map<std::string, module_descriptor> modules;  // by name
  std::string version;                               // java.base's, such as 17.0.15
  std::string platform;                              // java.base's, such as windows-amd64
  architecture arch;
};

// Reads a jmods folder, a JDK folder holding one, or a JDK zip, whose jmods are extracted
// into scratch. Refuses a module path without java.base (jlink would link the host's own
// runtime instead), jmods not built for Windows, and a platform no launcher serves.
target_jdk read_module_path(const fs::path& module_path, const fs::path& scratch);
