// jpackage's options for desktop apps whose values are properties files: more launchers
// (--add-launcher NAME=FILE) and file associations (--file-associations FILE).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "options/installer_options.h"

// A launcher beside the main one, as --add-launcher gives it.
struct launcher_request {
  std::string name;  // the exe's and the parameter file's stem
  // main-jar, main-class, arguments, java-options, win-console, win-menu, win-shortcut,
  // icon, description; each one missing is the main launcher's.
  std::map<std::string, std::string> properties;
};

// Reads NAME=FILE; false with *problem set when NAME is no Windows file name, FILE cannot be
// read, or it holds a key launchers do not have or a win-* value other than true or false.
bool take_launcher(const std::string& value, std::vector<launcher_request>* launchers,
                   std::string* problem);

// Reads FILE; false with *problem set when it cannot be read, holds a key associations do
// not have, or has no extension, or one with a dot, a space or a character Windows forbids.
bool take_association(const std::string& file, std::vector<file_association>* associations,
                      std::string* problem);
