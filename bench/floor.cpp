// The start-up floor: the least a Windows GUI program can do to run a child and wait for
// it. Its own command line, less its program name, is the child's, started exactly as the
// launcher starts it. It imports nothing but KERNEL32 and the C runtime.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR child_command, int) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, child_command, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return 2;
  }
  CloseHandle(info.hThread);
  WaitForSingleObject(info.hProcess, INFINITE);
  CloseHandle(info.hProcess);
  return 0;
}
