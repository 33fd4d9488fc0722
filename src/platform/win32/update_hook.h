// The launcher's part in updates, only for a launcher whose string table sets an update
// interval (others look the string up and do nothing more). The update program keeps its
// state in tavrin-update\ beside the launcher.
#pragma once

#include <windows.h>

// After the program has started: a version switched to and pending has now started once;
// and when the last finished check is older than the interval (the time of
// tavrin-update\checked), the update program beside the started program (the command's
// first word) is started detached, at below-normal priority, and never waited for.
void after_program_start(const wchar_t* command);

// Before the launcher shows an error: when a pending version is the one that failed, the
// previous parameter file replaces it in one atomic step and the version is marked failed,
// so that the next start runs the previous version.
void after_launcher_failure();
