// What the service does with its child once it has started it (os::start_process).
#pragma once

#include <windows.h>

#include "platform/os.h"

// Asks the child to end as Ctrl+C does, so that Java runs its shutdown hooks: CTRL_C_EVENT to
// the console the child shares with the service, which ignores it itself.
void interrupt_child();

// Ends the child and every process it started, through its job; without a job, the child.
void end_child_tree(const os::process& child);

// Waits up to ms for the child's output to be logged to its end, which comes once every
// process holding the output's pipe has ended.
void wait_output_end(DWORD ms);
