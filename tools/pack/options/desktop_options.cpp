#include "options/desktop_options.h"

#include <algorithm>

#include "branding_options.h"
#include "host/windows_names.h"
#include "options/argument_files.h"
#include "options/fail.h"
#include "options/properties_file.h"
#include "text.h"

namespace {

// Reads file into *properties; false with *problem set when it cannot be read or holds a
// key that is not one of known. With notes, another platform's keys are left out, each with a
// note line.
bool read_known(const std::string& file, const std::vector<std::string>& known,
                std::map<std::string, std::string>* properties, std::string* notes,
                std::string* problem) {
  if (!read_properties(file, properties, problem)) return false;
  for (auto key = properties->begin(); notes && key != properties->end();) {
    bool on_linux = key->first.compare(0, 6, "linux-") == 0;
    if (!on_linux && key->first.compare(0, 4, "mac-") != 0) {
      ++key;
      continue;
    }
    *notes += "note: " + file + ": " + key->first + " is for " + (on_linux ? "Linux" : "macOS") +
              ", not Windows; left out\n";
    key = properties->erase(key);
  }
  for (const auto& [key, value] : *properties) {
    if (std::find(known.begin(), known.end(), key) == known.end()) {
      std::string keys;
      for (const std::string& k : known) keys += (keys.empty() ? "" : ", ") + k;
      return fail(problem, file + ": '" + key + "' is no key of its own (" + keys + ")");
    }
  }
  return true;
}

// The extensions that Windows handles itself: programs, scripts, shortcuts, installers and
// settings. A package that registered one would change how every such file opens.
const char* const windows_own[] = {
    "appref-ms", "bat", "cab", "cer", "chm",  "cmd",  "com", "cpl", "crt", "dll", "drv", "exe",
    "gadget",    "hlp", "hta", "inf", "ini",  "js",   "jse", "lnk", "msc", "msi", "msp", "mst",
    "msu",       "ocx", "pif", "ps1", "psd1", "psm1", "reg", "scf", "scr", "sct", "shb", "shs",
    "sys",       "url", "vb",  "vbe", "vbs",  "ws",   "wsc", "wsf", "wsh"};

std::u16string folded(const std::string& text) {
  return windows_folded(to_utf16(text));
}

}  // namespace

std::string java_option_problem(const std::string& word) {
  return word == "-cp" || word == "-classpath"
             ? "the launcher reads it as the class path option; the class path is pack's"
             : "";
}

bool take_launcher(const std::string& value, std::vector<launcher_request>* launchers,
                   std::string* notes, std::string* problem) {
  size_t equals = value.find('=');
  if (equals == std::string::npos)
    return fail(problem, "--add-launcher " + value + ": give NAME=FILE");
  launcher_request launcher{value.substr(0, equals), {}};
  std::string why = windows_name_problem(launcher.name);
  if (!why.empty())
    return fail(problem, "--add-launcher " + value + ": '" + launcher.name + "' " + why);
  std::string file = value.substr(equals + 1);
  std::map<std::string, std::string>& p = launcher.properties;
  if (!read_known(file,
                  {"main-jar", "main-class", "arguments", "java-options", "win-console", "win-menu",
                   "win-shortcut", "icon", "description", "app-version"},
                  &p, notes, problem))
    return false;
  for (const char* flag : {"win-console", "win-menu", "win-shortcut"}) {
    auto given = p.find(flag);
    if (given == p.end()) continue;
    for (const char* boolean : {"true", "false"}) {
      if (equal_ignoring_case(given->second, boolean)) given->second = boolean;
    }
    if (given->second != "true" && given->second != "false")
      return fail(problem, file + ": " + flag + " is " + given->second + ", not true or false");
  }
  std::vector<std::string> options;
  if (p.count("java-options") && split_option_words(p["java-options"], &options)) {
    for (const std::string& option : options) {
      why = java_option_problem(option);
      if (!why.empty()) return fail(problem, file + ": java-options " + option + ": " + why);
    }
  }
  if (p.count("app-version")) {
    brand::branding_request scratch;
    try {
      brand::add_branding_option(&scratch, "--app-version", p["app-version"]);
    } catch (const brand::bad_input& e) {
      // The message names "--app-version VALUE", which the file calls app-version.
      return fail(problem, file + ": " + std::string(e.what()).substr(2));
    }
  }
  launchers->push_back(launcher);
  return true;
}

bool take_association(const std::string& file, std::vector<file_association>* associations,
                      std::string* problem) {
  std::map<std::string, std::string> p;
  if (!read_known(file, {"extension", "mime-type", "description", "icon"}, &p, nullptr, problem))
    return false;
  file_association a{p["extension"], p["mime-type"], p["description"], p["icon"], file};
  if (a.extension.empty()) return fail(problem, file + ": gives no extension");
  std::string why = a.extension.find_first_of(". ") != std::string::npos
                        ? "holds a dot or a space; give the extension alone, as txt"
                        : windows_name_problem(a.extension);
  if (why.empty() &&
      std::any_of(std::begin(windows_own), std::end(windows_own),
                  [&](const char* own) { return folded(own) == folded(a.extension); }))
    why =
        "is Windows' own (programs, scripts, shortcuts, installers and settings), which an "
        "app must not register";
  if (!why.empty()) return fail(problem, file + ": the extension '" + a.extension + "' " + why);
  for (const file_association& before : *associations) {
    if (folded(before.extension) == folded(a.extension))
      return fail(problem, file + ": the extension '" + a.extension + "' is " + before.file +
                               "'s '" + before.extension + "' again, as Windows ignores case");
  }
  if (a.mime_type.find_first_of(" \\") != std::string::npos)
    return fail(problem, file + ": the mime-type '" + a.mime_type + "' holds a space or a '\\'");
  associations->push_back(a);
  return true;
}
