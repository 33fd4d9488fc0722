// Running a host program, such as jlink, and collecting what it prints.
#pragma once

#include <string>
#include <vector>

struct program_result {
  int status;          // the exit status; -1 when it could not start or did not exit
  std::string output;  // standard output and error, as they came
};

// Runs argv[0] (a path, or a name looked up on the PATH) with the arguments, and waits for
// it. Its standard input is empty, or a pipe holding input (at most 64 KiB) when given,
// which keeps a secret off the command line and the disk.
program_result run_program(const std::vector<std::string>& argv,
                           const std::string* input = nullptr);

// The path of an executable found under that name on the PATH, or empty.
std::string find_on_path(const std::string& name);
