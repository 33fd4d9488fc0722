// The service's child: a console program that shares a console of the service's own, so
// that the service can ask it to end as Ctrl+C does. Its standard output and error go through
// one pipe, in the order written, to the log; a job ties everything it starts to the service.
#include <windows.h>

#include "platform/win32/child_start.h"
#include "platform/win32/service/child_control.h"
#include "platform/win32/service/service_log.h"

namespace {

HANDLE job = nullptr;
HANDLE reader = nullptr;

// The service takes no part in Ctrl+C and Ctrl+Break: they are the child's. A handler and not
// SetConsoleCtrlHandler(NULL, TRUE), which the child would inherit. Other events go on to the
// default handler, which in a service ends nothing at log-off or shut-down.
BOOL WINAPI leave_to_child(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

DWORD WINAPI copy_output(void* pipe) {
  char bytes[4096];
  DWORD got = 0;
  while (ReadFile(pipe, bytes, sizeof bytes, &got, nullptr) && got) log_program_output(bytes, got);
  CloseHandle(pipe);
  return 0;
}

}  // namespace

namespace os {

// The service waits for its child whatever the parameter file says (start is ignored): a
// service lasts as long as its program, which is always in a job.
bool start_process(char16_t* command, bool, process* started) {
  // In session 0 no one sees the console's window.
  AllocConsole();
  // The child inherits whether Ctrl+C is ignored, which a service may have been started with.
  SetConsoleCtrlHandler(nullptr, FALSE);
  SetConsoleCtrlHandler(leave_to_child, TRUE);
  HANDLE read_end = nullptr, write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, nullptr, 0)) return false;
  bool started_ok = start_child(command, {GetStdHandle(STD_INPUT_HANDLE), write_end, write_end}, 0,
                                true, &job, started);
  DWORD error = GetLastError();
  CloseHandle(write_end);  // the child has its own; the pipe ends when the last one closes
  if (started_ok) reader = CreateThread(nullptr, 0, copy_output, read_end, 0, nullptr);
  if (!reader) CloseHandle(read_end);
  SetLastError(error);
  return started_ok;
}

}  // namespace os

void interrupt_child() {
  GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
}

void end_child_tree(const os::process& child) {
  if (job) {
    TerminateJobObject(job, 1);
  } else {
    TerminateProcess(child.handle, 1);
  }
}

void wait_output_end(DWORD ms) {
  if (reader) WaitForSingleObject(reader, ms);
}
