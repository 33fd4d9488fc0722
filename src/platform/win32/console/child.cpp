// The console launcher's child: it gets the launcher's standard input, output and error,
// whatever they are (console, file, pipe or NUL), and shares its console; the launcher
// waits through console events, which are the child's to act on, and then ends with the
// child's exit code. While the launcher waits, a job ties the child to it.
#include <windows.h>

#include "platform/os.h"
#include "platform/win32/child_start.h"
#include "platform/win32/update_hook.h"
#include "platform/win32/wide.h"

namespace os {
namespace {

// The job that holds the waited-for child and whatever it starts; null when there is none.
HANDLE job = nullptr;

// A console child of a launcher that has no console would get a new console, and with it
// a window; CREATE_NO_WINDOW gives it a console without one. A launcher attached to any
// console lets the child share it, window or not, so that the console's Ctrl events reach
// it. GetConsoleProcessList fails only without a console; GetConsoleWindow() would not
// do, as it is null also for a console started with CREATE_NO_WINDOW, and has been for
// pseudo consoles (ConPTY) on some versions of Windows.
DWORD console_flags() {
  DWORD attached = 0;
  return GetConsoleProcessList(&attached, 1) ? 0 : CREATE_NO_WINDOW;
}

// While the launcher waits, the console's events go to the child as well, which decides
// (Java runs its shutdown hooks). The launcher stays, to pass the child's exit code on.
// A handler rather than SetConsoleCtrlHandler(NULL, TRUE), which children would inherit.
BOOL WINAPI leave_to_child(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  // Closing the console, logging off, shutting down: the system ends the process as soon
  // as a handler returns, so this one never does; the waiting thread exits once the
  // child has ended.
  Sleep(INFINITE);
  return TRUE;
}

}  // namespace

bool start_process(char16_t* command, bool wait, process* started) {
  // Set before the child exists: a Ctrl+C between its start and the wait would otherwise
  // end the launcher alone and leave the child writing to the console.
  SetConsoleCtrlHandler(leave_to_child, TRUE);
  // With start the child outlives the launcher, so only a waited-for child gets a job.
  if (!start_child(command,
                   {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
                    GetStdHandle(STD_ERROR_HANDLE)},
                   console_flags(), wait, &job, started)) {
    return false;
  }
  after_program_start(wide(command));
  return true;
}

void wait_process(const process& started) {
  if (WaitForSingleObject(started.handle, check_delay_ms) == WAIT_TIMEOUT) start_due_check();
  WaitForSingleObject(started.handle, INFINITE);
  if (!job) return;
  // The child has ended; what it left running outlives the launcher, as without the job.
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION no_limits{};
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &no_limits, sizeof no_limits);
}

int exit_code_after_wait(const process& ended) {
  DWORD code = 0;
  // With the child ended and its handle open, the query cannot fail; should it, the
  // launcher must not report success it never saw.
  if (!GetExitCodeProcess(ended.handle, &code)) return 2;
  return static_cast<int>(code);
}

}  // namespace os
