// The command line of tavrin-check.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct check_options {
  std::string launcher_path;  // --as, a Windows path; empty for C:\App\<stem>.exe
  std::vector<std::pair<std::string, std::string>> variables;  // --set NAME=VALUE, in order
  bool log = false;                                            // --log
  bool version = false;                // --version: print the version and nothing else
  bool help = false;                   // --help: print the help and nothing else
  std::string parameter_file;          // a local path
  std::vector<std::string> arguments;  // the user's arguments
};

// One line that names the command's form, for usage errors.
extern const char usage_text[];

// What --help prints: the form, the options and what the check reports.
extern const char help_text[];

// Reads the arguments after the program name, all UTF-8. Options come before the
// parameter file; every word after it is an argument. --version and --help need nothing
// else. False with
// *problem set (one line) on a usage error.
bool parse_options(const std::vector<std::string>& args, check_options* options,
                   std::string* problem);
