// The host's jlink, which links the runtime from the target's jmods. Its version must be
// the jmods' (feature.interim; from JDK 26 on, the exact version), or it refuses them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

struct jlink_tool {
  std::string path;
  std::string version;  // as jlink --version prints it: 17.0.15
};

// given (--jlink), else $JAVA_HOME/bin/jlink, else jlink on the PATH; refuses a jlink that
// cannot be found or run, or whose version does not fit the jmods' java.base version,
// naming both and the JDK to install.
jlink_tool find_jlink(const std::string& given, const std::string& target_version);

// The jlink command line: the target's jmods alone as the module path, the modules, the
// output folder, and options (when none are given: no debug attributes, header files or
// man pages, and the compression this jlink version names).
std::vector<std::string> jlink_command(const jlink_tool& jlink, const fs::path& jmods,
                                       const std::vector<std::string>& modules,
                                       const fs::path& output,
                                       const std::vector<std::string>* options);

// Runs it; refuses with jlink's own words when it fails.
void run_jlink(const std::vector<std::string>& command);
