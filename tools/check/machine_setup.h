// Loads the simulated machine for a check: the launcher at its Windows path, the local
// app folder under the launcher's Windows folder, the target's environment and the
// user's command line.
#pragma once

#include <string>

#include "options.h"

// False with *problem set (one line) when the options name no usable folder or path.
bool load_machine(const check_options& options, std::string* problem);
