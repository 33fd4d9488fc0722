// The start-up floor: the least a Windows program can do to run a child and wait for it.
// Its own command line, less its program name, is the child's, started exactly as the
// windowed launcher starts it. It imports nothing but KERNEL32 and the C runtime. Built
// for the GUI subsystem (floor.exe) and, with FLOOR_CONSOLE, for the console (the console
// launcher's floor, floor_console.exe).
#include <windows.h>

namespace {

int run_child(wchar_t* child_command) {
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

}  // namespace

#ifdef FLOOR_CONSOLE
// The command line after the program name, skipped as the C runtime skips it for a GUI
// program's entry: a quoted or a bare first word, then blanks.
int wmain() {
  wchar_t* rest = GetCommandLineW();
  bool quoted = false;
  for (; *rest && (quoted || (*rest != L' ' && *rest != L'\t')); ++rest) {
    if (*rest == L'"') quoted = !quoted;
  }
  while (*rest == L' ' || *rest == L'\t') ++rest;
  return run_child(rest);
}
#else
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR child_command, int) {
  return run_child(child_command);
}
#endif
