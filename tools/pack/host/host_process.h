// Running a host program, such as jlink, and collecting what it prints.
#pragma once

#include <chrono>
#include <string>
#include <vector>

struct program_result {
  int status;          // the exit status; -1 when it could not start or did not exit
  int signal;          // the signal that ended it, or 0
  std::string output;  // standard output and error, as they came
  bool timed_out;      // killed at its deadline
};

// Runs argv[0] (a path, or a name looked up on the PATH) with the arguments in the folder
// folder (empty: pack's own), in a process group of its own and with no signal blocked, and
// waits for it, at most deadline when it is not zero: then its group is killed. Its standard
// input is empty, or a pipe that input is written to while it runs, which keeps a secret off
// the command line and the disk. It inherits pack's environment.
program_result run_program(const std::vector<std::string>& argv, const std::string* input = nullptr,
                           const std::string& folder = "",
                           std::chrono::seconds deadline = std::chrono::seconds(0));

// Why a program that did not exit with status 0 failed, for a refusal: name "cannot be
// started", "crashed (signal 11, Segmentation fault)" or "failed (exit status 1)", then ": "
// and what it printed, without its last line ends.
std::string program_failure(const std::string& name, const program_result& result);

// Ends the process group of the program run_program waits for, if any.
void stop_running_program();

// The path of an executable found under that name on the PATH, or empty.
std::string find_on_path(const std::string& name);
