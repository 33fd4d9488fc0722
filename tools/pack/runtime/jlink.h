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

// Makes a link in folder to each folder of the module path, named module-path-1, ...: jlink
// splits its module path at ':', which a path may hold, so it runs in folder and gets these
// names. Returns them.
std::vector<std::string> module_path_links(const fs::path& folder,
                                           const std::vector<fs::path>& module_path);

// The jlink command line: the module path's links, the modules, the output folder (relative
// to where jlink runs), and options (when none are given: no debug attributes (from jlink
// 13 on, which has the option), header files or man pages, and the compression this jlink
// version names).
std::vector<std::string> jlink_command(const jlink_tool& jlink,
                                       const std::vector<std::string>& module_path,
                                       const std::vector<std::string>& modules,
                                       const std::string& output,
                                       const std::vector<std::string>* options);

// Runs it in folder; refuses with jlink's own words when it fails.
void run_jlink(const std::vector<std::string>& command, const std::string& folder);
