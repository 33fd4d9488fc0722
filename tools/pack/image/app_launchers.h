// The launchers of an app: the main one, NAME.exe, and those --add-launcher adds beside it,
// each a branded copy of tavrin.exe, tavrin-console.exe or (the main one with
// --launcher-as-service) tavrin-service.exe, with its own parameter file.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "image/launchers.h"
#include "options/pack_options.h"

namespace fs = std::filesystem;

struct app_launcher {
  std::string name;      // the exe's and the parameter file's stem
  bool console;          // tavrin-console.exe with java.exe
  std::string main_jar;  // relative to --input, with '/'
  std::string main_class;
  std::vector<std::string> java_options, arguments;  // one word each
  brand::branding_request branding;                  // the main one's, with its own texts
  bool menu, desktop;                                // the installer's shortcuts
  std::vector<std::string> class_path;               // as the parameter file writes it: app\a.jar
  std::string app_id;    // the AppUserModelID in its string table and on its shortcuts; or none
  bool service = false;  // tavrin-service.exe with java.exe, which the installer makes a service
};

// The launcher it is a copy of.
twin twin_of(const app_launcher& l);

// The main launcher, then one for each --add-launcher, a key its properties lack being the
// main launcher's; a main class not given is the Main-Class of the launcher's main jar in
// input. Each has an AppUserModelID: the main one --app-user-model-id or VENDOR.NAME, each
// other one that, then .LAUNCHER. The class path is its main jar, then the other jars (paths in
// input, with '/'). Refuses a main jar that is not among the jars, one without a Main-Class when
// none is given, an option or argument with an unclosed quote, and a jar whose name holds ';'.
// With --launcher-as-service the main one is a service, with no shortcut; no other is.
std::vector<app_launcher> app_launchers(const pack_options& o, const fs::path& input,
                                        const std::vector<std::string>& jars);
