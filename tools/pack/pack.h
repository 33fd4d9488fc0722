// tavrin-pack's run: the app image built in a temporary folder beside its destination,
// checked, and moved into place as the output type asks.
#pragma once

#include "options/pack_options.h"

// Prints one line per step with its time on standard output, the check's warnings and
// any refusal on standard error. Returns the exit status: 0 done, 1 written with the
// check's warnings, 2 refused with nothing written.
int run_pack(const pack_options& options);
