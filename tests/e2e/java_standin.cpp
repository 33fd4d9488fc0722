// Stands in for java.exe / javaw.exe: records how it was started and exits on cue. Built
// twice: a GUI program, and with STANDIN_CONSOLE a console program (java_standin_console).
// Environment:
//   STANDIN_REPORT   file to which one JSON line is added per start: the program's own
//                    path, the command line (GetCommandLineW), its CommandLineToArgvW
//                    split, the C runtime's argv, the current directory, the environment,
//                    the moment it started (started_us: QueryPerformanceCounter in
//                    microseconds, a clock all processes share), whether its console has a
//                    window and how many processes share that
//                    console (0: it has none)
//   STANDIN_GATE     file to wait for (up to 20 s) before finishing
//   STANDIN_SLEEP_MS milliseconds to sleep before finishing
//   STANDIN_EXIT     exit code (default 0)
//   STANDIN_STDIO    when set: standard input is read to its end and reported, then
//                    "out:" and "err:" followed by it are written to standard output and
//                    standard error
// Finishing writes the file STANDIN_REPORT + ".done", so a test can tell whether the
// launcher waited for this process.

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

std::wstring env(const wchar_t* name) {
  wchar_t buf[32768];
  DWORD n = GetEnvironmentVariableW(name, buf, 32768);
  return n && n < 32768 ? std::wstring(buf, n) : std::wstring();
}

bool exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string read_all(HANDLE file) {
  std::string bytes;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(file, buf, sizeof buf, &got, nullptr) && got) bytes.append(buf, got);
  return bytes;
}

void write_all(HANDLE file, const std::string& bytes) {
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

#ifdef STANDIN_CONSOLE
int wmain() {
#else
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
#endif
  LARGE_INTEGER started, frequency;  // when it started, on the clock every process shares
  QueryPerformanceCounter(&started);
  QueryPerformanceFrequency(&frequency);
  std::wstring report = env(L"STANDIN_REPORT");
  if (!report.empty()) {
    const wchar_t* command_line = GetCommandLineW();
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(command_line, &argc);
    std::vector<std::wstring> shell_argv(argv, argv + (argv ? argc : 0));
    LocalFree(argv);
    std::vector<std::wstring> crt_argv(__wargv, __wargv + __argc);
    wchar_t cwd[32768];
    DWORD cwd_len = GetCurrentDirectoryW(32768, cwd);
    std::vector<std::wstring> environment;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) environment.emplace_back(p);
    FreeEnvironmentStringsW(block);

    wchar_t module[32768];
    DWORD module_len = GetModuleFileNameW(nullptr, module, 32768);
    std::string line = "{\"module\": ";
    e2e::json_string(line, module, module_len);
    line += ", \"command_line\": ";
    e2e::json_string(line, command_line, wcslen(command_line));
    line += ", \"argv_shell\": ";
    e2e::json_string_list(line, shell_argv);
    line += ", \"argv_crt\": ";
    e2e::json_string_list(line, crt_argv);
    line += ", \"cwd\": ";
    e2e::json_string(line, cwd, cwd_len);
    line += ", \"env\": ";
    e2e::json_string_list(line, environment);
    DWORD console_processes[8];
    line += ", \"started_us\": " +
            std::to_string(static_cast<double>(started.QuadPart) / frequency.QuadPart * 1e6);
    line += ", \"console_window\": " + std::string(GetConsoleWindow() ? "true" : "false");
    line +=
        ", \"console_processes\": " + std::to_string(GetConsoleProcessList(console_processes, 8));
    if (!env(L"STANDIN_STDIO").empty()) {
      std::string input = read_all(GetStdHandle(STD_INPUT_HANDLE));
      line += ", \"stdin\": ";
      e2e::json_string(line, std::wstring(input.begin(), input.end()));
      write_all(GetStdHandle(STD_OUTPUT_HANDLE), "out:" + input);
      write_all(GetStdHandle(STD_ERROR_HANDLE), "err:" + input);
    }
    line += "}\n";
    e2e::write_file(report, line, true);
  }

  std::wstring gate = env(L"STANDIN_GATE");
  if (!gate.empty())
    for (int i = 0; i < 1000 && !exists(gate); ++i) Sleep(20);
  DWORD sleep_ms = wcstoul(env(L"STANDIN_SLEEP_MS").c_str(), nullptr, 10);
  if (sleep_ms) Sleep(sleep_ms);
  if (!report.empty()) e2e::write_file(report + L".done", "", false);
  return static_cast<int>(wcstoul(env(L"STANDIN_EXIT").c_str(), nullptr, 10));
}
