// The start every launcher shares: gather the command line and the parameter file, build
// the child command and start it. How the child then runs is each launcher's own.
#pragma once

#include "platform/os.h"

struct started_command {
  char16_t* command;  // the child's command line, the caller's to release
  int wait;           // 1 unless the parameter file began with start
  os::process child;
};

// Builds the command and starts it (os::start_process), logging each step. Every failure is
// fatal: its message is reported and the launcher ends with exit code 2.
started_command start_command();
