// Running a host program, such as jlink, and collecting what it prints.
#pragma once

#include <string>
#include <vector>

struct program_result {
  int status;          // the exit status; -1 when it could not start or did not exit
  std::string output;  // standard output and error, as they came
};

// Runs argv[0] (a path, or a name looked up on the PATH) with the arguments, its standard
// input empty, and waits for it.
program_result run_program(const std::vector<std::string>& argv);

// The path of an executable found under that name on the PATH, or empty.
std::string find_on_path(const std::string& name);
