// The launcher's part in updates, only for a launcher whose string table sets an update
// interval (others look the string up and do nothing more). The update program keeps its
// state in tavrin-update\ beside the launcher.
#pragma once

#include <windows.h>

// After the program has started: whether a check is due, which is when the last finished
// check is older than the interval (the time of tavrin-update\checked) or there is none; and
// then a version switched to and pending has now started once. One file time is read when
// nothing is due. command must stay until start_due_check.
void after_program_start(const wchar_t* command);

// How long a waited-for program runs on its own before a due check starts beside it: the
// JVM's start is not slowed by a second process starting at the same time.
constexpr DWORD check_delay_ms = 1000;

// Starts a due check once: the update program beside the started program (the command's
// first word), detached, at below-normal priority, and never waited for.
void start_due_check();

// Before the launcher shows an error: when a pending version is the one that failed, the
// previous parameter file replaces it in one atomic step and the version is marked failed,
// so that the next start runs the previous version.
void after_launcher_failure();
