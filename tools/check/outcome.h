// What tavrin-check reports once the launcher has ended on the simulated machine.
#pragma once

#include <string>

struct check_outcome {
  std::string out;  // the started command line and a line end, UTF-8
  std::string err;  // the log when asked for, then warnings or the error box text
  int status;       // 0 clean, 1 warnings only, 2 the launcher fails
};

// The outcome of a run that ended with the launcher's exit code.
check_outcome outcome_of(int exit_code);
