// Starting a child with exactly the standard handles given, and, when asked, in a job that
// ends it, and everything it starts, when the job's last handle closes.
#pragma once

#include <windows.h>

#include "platform/os.h"

struct child_handles {
  HANDLE input, output, error;  // null or invalid ones are not handed on
};

// Starts the command with the launcher's environment and current directory, the creation
// flags and the handles as its standard handles, which are the only handles it inherits, and
// the launcher's AppUserModelID when it has one. With in_job the child joins a new job with
// JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE before it runs, whose handle *job receives; when the job
// cannot be made or joined, *job is null and started->job_error says why. False on failure,
// with the last error set.
bool start_child(char16_t* command, const child_handles& handles, DWORD flags, bool in_job,
                 HANDLE* job, os::process* started);
