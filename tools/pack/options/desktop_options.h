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
  // icon, description, app-version; each one missing is the main launcher's. The win-*
  // values are true or false, in lower case.
  std::map<std::string, std::string> properties;
};

// Why word cannot be one of a launcher's Java options; empty when it can.
std::string java_option_problem(const std::string& word);

// Reads NAME=FILE; false with *problem set when NAME is no Windows file name, FILE cannot be
// read, or it holds a key launchers do not have, a win-* value other than true or false (in
// any case), a Java option that java_option_problem refuses or a version that is none.
// Another platform's keys (linux-*, mac-*) are left out, each with a note line in *notes.
bool take_launcher(const std::string& value, std::vector<launcher_request>* launchers,
                   std::string* notes, std::string* problem);

// Reads FILE; false with *problem set when it cannot be read, holds a key associations do
// not have, or has no extension, or one with a dot, a space or a character Windows forbids,
// one that Windows handles itself (exe, lnk, ini, ...), or one of an association before,
// ignoring case (both files named).
bool take_association(const std::string& file, std::vector<file_association>* associations,
                      std::string* problem);
