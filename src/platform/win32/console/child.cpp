// The console launcher's child: it gets the launcher's standard input, output and error,
// whatever they are (console, file, pipe or NUL), and shares its console; the launcher
// waits through console events, which are the child's to act on, and then ends with the
// child's exit code.
#include <windows.h>

#include "platform/os.h"
#include "platform/win32/wide.h"

namespace os {
namespace {

// Windows before 8 gives consoles pseudo handles with the two low bits set. They are no
// kernel objects, so they cannot be listed for inheritance; a child that shares the
// console reaches them anyway.
bool is_console_pseudo_handle(HANDLE handle) {
  return (reinterpret_cast<uintptr_t>(handle) & 3) == 3;
}

// Marks the standard handles inheritable and lists each kernel handle once: the list
// restricts inheritance to exactly these, so nothing else the launcher holds or was
// handed (the log, its parent's inheritable handles) reaches the child. Returns how many.
DWORD list_standard_handles(const STARTUPINFOW& startup, HANDLE* listed) {
  DWORD count = 0;
  const HANDLE standard[] = {startup.hStdInput, startup.hStdOutput, startup.hStdError};
  for (HANDLE handle : standard) {
    if (!handle || handle == INVALID_HANDLE_VALUE || is_console_pseudo_handle(handle)) continue;
    bool seen = false;
    for (DWORD i = 0; i < count; ++i) seen = seen || listed[i] == handle;
    if (seen || !SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) continue;
    listed[count++] = handle;
  }
  return count;
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

bool start_process(char16_t* command, process* started) {
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.StartupInfo.wShowWindow = SW_SHOWNORMAL;
  startup.StartupInfo.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.StartupInfo.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.StartupInfo.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  HANDLE listed[3];
  DWORD count = list_standard_handles(startup.StartupInfo, listed);

  // Room for a list of one attribute, whose size the system tells.
  alignas(8) unsigned char attributes[256];
  SIZE_T size = sizeof attributes;
  DWORD flags = 0;
  if (count) {
    startup.lpAttributeList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes);
    if (!InitializeProcThreadAttributeList(startup.lpAttributeList, 1, 0, &size) ||
        !UpdateProcThreadAttribute(startup.lpAttributeList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                   listed, count * sizeof(HANDLE), nullptr, nullptr)) {
      return false;
    }
    flags = EXTENDED_STARTUPINFO_PRESENT;
  }
  PROCESS_INFORMATION info{};
  BOOL created = CreateProcessW(nullptr, wide(command), nullptr, nullptr, count != 0, flags,
                                nullptr, nullptr, &startup.StartupInfo, &info);
  if (count) {
    DWORD error = GetLastError();
    DeleteProcThreadAttributeList(startup.lpAttributeList);
    SetLastError(error);
  }
  if (!created) return false;
  CloseHandle(info.hThread);
  started->id = info.dwProcessId;
  started->handle = info.hProcess;
  return true;
}

void wait_process(const process& started) {
  SetConsoleCtrlHandler(leave_to_child, TRUE);
  WaitForSingleObject(started.handle, INFINITE);
}

int exit_code_after_wait(const process& ended) {
  DWORD code = 0;
  // With the child ended and its handle open, the query cannot fail; should it, the
  // launcher must not report success it never saw.
  if (!GetExitCodeProcess(ended.handle, &code)) return 2;
  return static_cast<int>(code);
}

}  // namespace os
