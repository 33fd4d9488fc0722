#include "runtime/jlink.h"

#include <algorithm>
#include <cstdlib>

#include "host/host_process.h"
#include "host/refusal.h"

namespace {

// The leading numbers of a version: 17.0.15+6 gives 17, 0, 15.
std::vector<int> numbers(const std::string& version) {
  std::vector<int> n;
  for (size_t at = 0; at < version.size() && version[at] >= '0' && version[at] <= '9';) {
    size_t end = version.find_first_not_of("0123456789", at);
    if (end == std::string::npos) end = version.size();
    n.push_back(std::atoi(version.substr(at, std::min<size_t>(end - at, 6)).c_str()));
    if (end == version.size() || version[end] != '.') break;
    at = end + 1;
  }
  n.resize(std::max<size_t>(n.size(), 2));
  return n;
}

std::string feature_interim(const std::string& version) {
  std::vector<int> n = numbers(version);
  return std::to_string(n[0]) + "." + std::to_string(n[1]);
}

std::string located(const std::string& given) {
  if (!given.empty()) return given;
  const char* home = std::getenv("JAVA_HOME");
  std::string from_home = home && *home ? std::string(home) + "/bin/jlink" : "";
  if (!from_home.empty() && fs::exists(from_home)) return from_home;
  std::string found = find_on_path("jlink");
  if (found.empty())
    throw refusal("no jlink: give --jlink, set JAVA_HOME, or put a JDK's bin on the PATH");
  return found;
}

}  // namespace

jlink_tool find_jlink(const std::string& given, const std::string& target_version) {
  // jlink runs in the temporary folder: a path relative to here would not find it there.
  std::string path = located(given);
  jlink_tool jlink{path.find('/') == std::string::npos ? path : fs::absolute(path).string(), ""};
  program_result result = run_program({jlink.path, "--version"});
  // The first line that starts with a digit: a JVM may print notes before it.
  for (size_t at = 0; at < result.output.size() && jlink.version.empty();) {
    size_t end = std::min(result.output.find_first_of("\r\n", at), result.output.size());
    if (result.output[at] >= '0' && result.output[at] <= '9')
      jlink.version = result.output.substr(at, end - at);
    at = end + 1;
  }
  if (result.status != 0 || numbers(jlink.version)[0] == 0)
    throw refusal(jlink.path + ": does not run as jlink --version: " + result.output);
  bool exact = numbers(target_version)[0] >= 26;
  std::string host = exact ? jlink.version : feature_interim(jlink.version);
  std::string target = exact ? target_version : feature_interim(target_version);
  if (host != target) {
    throw refusal("jlink " + jlink.path + " is version " + jlink.version + " (" + host +
                  "), but the jmods' java.base is " + target_version + " (" + target +
                  "): jlink links only jmods of its own " +
                  (exact ? "version" : "feature.interim") + "; install a JDK " + target +
                  " on the host and give its jlink with --jlink");
  }
  return jlink;
}

std::vector<std::string> module_path_links(const fs::path& folder,
                                           const std::vector<fs::path>& module_path) {
  std::vector<std::string> links;
  for (const fs::path& path : module_path) {
    links.push_back("module-path-" + std::to_string(links.size() + 1));
    std::error_code error;
    fs::create_directory_symlink(fs::absolute(path), folder / links.back(), error);
    if (error)
      throw refusal((folder / links.back()).u8string() + ": cannot be made (" + error.message() +
                    ")");
  }
  return links;
}

std::vector<std::string> jlink_command(const jlink_tool& jlink,
                                       const std::vector<std::string>& module_path,
                                       const std::vector<std::string>& modules,
                                       const std::string& output,
                                       const std::vector<std::string>* options) {
  std::string list, path;
  for (const std::string& m : modules) list += (list.empty() ? "" : ",") + m;
  for (const std::string& p : module_path) path += (path.empty() ? "" : ":") + p;
  std::vector<std::string> command = {jlink.path, "--module-path", path,  "--add-modules",
                                      list,       "--output",      output};
  if (options) {
    command.insert(command.end(), options->begin(), options->end());
    return command;
  }
  // Never --strip-debug: on Linux it also runs objcopy on the Windows libraries, which fails.
  int feature = numbers(jlink.version)[0];
  if (feature >= 13) command.push_back("--strip-java-debug-attributes");
  // --compress=2 is deprecated from 21 on.
  for (const char* option :
       {"--no-header-files", "--no-man-pages", feature >= 21 ? "--compress=zip-6" : "--compress=2"})
    command.push_back(option);
  return command;
}

void run_jlink(const std::vector<std::string>& command, const std::string& folder) {
  program_result result = run_program(command, nullptr, folder);
  if (result.status != 0) throw refusal(program_failure("jlink", result));
}
