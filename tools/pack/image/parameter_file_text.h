// The parameter file that pack writes beside the launcher.
#pragma once

#include <string>
#include <vector>

struct launch_words {
  std::string program;                    // runtime\bin\javaw.exe
  std::vector<std::string> java_options;  // %NAME% stays a reference the launcher expands
  std::vector<std::string> class_path;    // entries relative to the launcher, none with ';'
  std::string main_class;
  std::vector<std::string> arguments;  // %NAME% as in the options
};

// The file's UTF-8 text: a comment, then one word a line (the class path after -cp), each
// written so that the launcher's splitter reads back exactly the word given.
std::string parameter_file_text(const launch_words& words);
