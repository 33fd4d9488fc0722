#include "options/desktop_options.h"

#include <algorithm>

#include "host/windows_names.h"
#include "options/properties_file.h"

namespace {

bool fail(std::string* problem, const std::string& text) {
  *problem = text;
  return false;
}

// Reads file into *properties; false with *problem set when it cannot be read or holds a
// key that is not one of known.
bool read_known(const std::string& file, const std::vector<std::string>& known,
                std::map<std::string, std::string>* properties, std::string* problem) {
  if (!read_properties(file, properties, problem)) return false;
  for (const auto& [key, value] : *properties) {
    if (std::find(known.begin(), known.end(), key) == known.end()) {
      std::string keys;
      for (const std::string& k : known) keys += (keys.empty() ? "" : ", ") + k;
      return fail(problem, file + ": '" + key + "' is no key of its own (" + keys + ")");
    }
  }
  return true;
}

}  // namespace

bool take_launcher(const std::string& value, std::vector<launcher_request>* launchers,
                   std::string* problem) {
  size_t equals = value.find('=');
  if (equals == std::string::npos)
    return fail(problem, "--add-launcher " + value + ": give NAME=FILE");
  launcher_request launcher{value.substr(0, equals), {}};
  std::string why = windows_name_problem(launcher.name);
  if (!why.empty())
    return fail(problem, "--add-launcher " + value + ": '" + launcher.name + "' " + why);
  std::string file = value.substr(equals + 1);
  if (!read_known(file,
                  {"main-jar", "main-class", "arguments", "java-options", "win-console", "win-menu",
                   "win-shortcut", "icon", "description"},
                  &launcher.properties, problem))
    return false;
  for (const char* flag : {"win-console", "win-menu", "win-shortcut"}) {
    auto given = launcher.properties.find(flag);
    if (given != launcher.properties.end() && given->second != "true" && given->second != "false")
      return fail(problem, file + ": " + flag + " is " + given->second + ", not true or false");
  }
  launchers->push_back(launcher);
  return true;
}

bool take_association(const std::string& file, std::vector<file_association>* associations,
                      std::string* problem) {
  std::map<std::string, std::string> p;
  if (!read_known(file, {"extension", "mime-type", "description", "icon"}, &p, problem))
    return false;
  file_association a{p["extension"], p["mime-type"], p["description"], p["icon"]};
  if (a.extension.empty()) return fail(problem, file + ": gives no extension");
  std::string why = a.extension.find_first_of(". ") != std::string::npos
                        ? "holds a dot or a space; give the extension alone, as txt"
                        : windows_name_problem(a.extension);
  if (!why.empty()) return fail(problem, file + ": the extension '" + a.extension + "' " + why);
  if (a.mime_type.find_first_of(" \\") != std::string::npos)
    return fail(problem, file + ": the mime-type '" + a.mime_type + "' holds a space or a '\\'");
  associations->push_back(a);
  return true;
}
