// Stands in for java.exe under the service twin, which gives it no environment of a row's own:
// its last argument says what it does.
//   wait      waits until Ctrl+C, then writes ctrl_c and exits with 130, as Java does
//   ignore    writes ctrl_c at each Ctrl+C and goes on waiting, as a program that hangs
//   exit:N    exits with N at once
//   print:N   writes N numbered lines of 100 bytes to standard output, then waits as wait
//             does
// It writes "out:" and "err:" lines to standard output and error, then the lines print:N asks
// for, then adds a JSON line to standin.json beside itself: its process id, command line,
// CommandLineToArgvW split and QueryPerformanceCounter's count at its start. All waits end
// after 60 s.

// windows.h must come before the other Windows headers.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#include <stdlib.h>

#include <string>
#include <vector>

#include "json_out.h"

namespace {

std::wstring beside(const wchar_t* name) {
  wchar_t module[32768];
  std::wstring path(module, GetModuleFileNameW(nullptr, module, 32768));
  return path.substr(0, path.rfind(L'\\') + 1) + name;
}

bool ignoring = false;

BOOL WINAPI on_event(DWORD event) {
  e2e::write_file(beside(L"ctrl_c"), std::to_string(event) + "\n", true);
  if (!ignoring) ExitProcess(130);
  return TRUE;
}

void say(DWORD handle, const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(handle), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

int wmain() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring mode = argc > 1 ? argv[argc - 1] : L"";
  ignoring = mode == L"ignore";
  SetConsoleCtrlHandler(on_event, TRUE);
  say(STD_OUTPUT_HANDLE, "out: started\n");
  say(STD_ERROR_HANDLE, "err: started\n");
  if (mode.compare(0, 6, L"print:") == 0) {
    for (int i = 0, n = _wtoi(mode.c_str() + 6); i < n; ++i) {
      std::string number = std::to_string(10000 + i).substr(1);
      say(STD_OUTPUT_HANDLE, number + std::string(95, 'o') + "\n");
    }
  }
  // Last, so that a test that sees it may stop the program.
  std::string line = "{\"pid\": " + std::to_string(GetCurrentProcessId()) +
                     ", \"qpc\": " + std::to_string(now.QuadPart) + ", \"command_line\": ";
  e2e::json_string(line, GetCommandLineW(), wcslen(GetCommandLineW()));
  line += ", \"argv\": ";
  e2e::json_string_list(line, std::vector<std::wstring>(argv, argv + argc));
  e2e::write_file(beside(L"standin.json"), line + "}\n", true);
  if (mode.compare(0, 5, L"exit:") == 0) return _wtoi(mode.c_str() + 5);
  Sleep(60000);
  return 0;
}
