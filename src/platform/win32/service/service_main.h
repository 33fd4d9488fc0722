// The service twin's two ways to run: as a service, or started by hand.
#pragma once

#include <windows.h>

// The service's run, on the thread the service manager gives it: starts the command as the
// other launchers do, reports RUNNING, and stops when the program ends or the manager asks,
// then ends the process.
void WINAPI service_main(DWORD argc, wchar_t** argv);

// Started other than by the service manager (StartServiceCtrlDispatcherW failed with error):
// says how to install the service, on standard error (or the starting program's console)
// and in the log, and ends with exit code 2. No window is opened.
[[noreturn]] void run_by_hand(DWORD error);
