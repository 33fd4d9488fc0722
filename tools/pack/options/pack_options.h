// The command line of tavrin-pack, with jpackage's option names where they mean the same.
#pragma once

#include <string>
#include <vector>

#include "branding_options.h"
#include "options/desktop_options.h"
#include "options/installer_options.h"
#include "options/signing_options.h"
#include "options/update_options.h"

// What pack writes into --dest. Each type is the app image, or a file made from it.
enum class output_type { app_image, zip, msi };

struct pack_options {
  std::string name;        // the exe's and the parameter file's stem; a Windows file name
  std::string input;       // the folder of jars, copied into app/
  std::string main_jar;    // relative to input; first on the class path
  std::string main_class;  // empty: the main jar's Main-Class
  std::vector<std::string> java_options, arguments;  // one word each
  std::string runtime_image;                         // a ready Windows runtime: folder or zip
  // A Windows JDK's jmods folder, the JDK's folder or zip; then more folders or zips of jmods.
  std::vector<std::string> module_path;
  std::vector<std::string> add_modules;
  std::vector<std::string> jlink_options;  // as given, split at white space
  bool jlink_options_given = false;        // they replace the default options
  std::string jlink;                       // empty: $JAVA_HOME/bin/jlink, then the PATH
  bool win_console = false;
  bool launcher_as_service = false;  // the main launcher tavrin-service.exe, installed as a service
  std::vector<launcher_request> launchers;  // --add-launcher
  std::string app_image;                    // an image to pack as it is, instead of building one
  std::string app_version = "1.0";
  std::string vendor;                // as given to --vendor
  brand::branding_request branding;  // --name, --icon, --app-version, --vendor, ...
  output_type type = output_type::app_image;
  msi_options installer;         // --type msi's
  std::string installer_option;  // the first of them given, which other types refuse
  signing_options signing;       // --win-sign-*
  update_options update;         // --update-*
  std::string dest = ".";
  bool verbose = false, help = false, version = false;
  std::string notes;     // lines for standard error, of what the options leave out
  std::string warnings;  // lines for standard error; pack then exits with 1 at least
};

// What --help prints.
extern const char pack_help[];

// Reads the arguments after the program name, all UTF-8. False with *problem set (one
// line) on a usage error: an unknown option, a missing value or a required option, a
// value that is not valid UTF-8, or a value the parameter file, Windows or an installer
// cannot hold.
bool parse_pack_options(const std::vector<std::string>& args, pack_options* options,
                        std::string* problem);
