// Times program starts: starts each command line of a job file in turn, round after round,
// and measures with QueryPerformanceCounter the wall time from CreateProcessW until the
// program has ended, or until the stand-in java.exe it starts has started.
//
// Usage: start_timer.exe JOBFILE OUTFILE
// JOBFILE is UTF-8: the number of untimed warm-up rounds, the number of timed rounds, then one
// command line a line. Each round starts every command once; the first command shifts by one
// each round, so that no program always follows the same one. After tabs, a line may
// name the report of tests/e2e's stand-in (its STANDIN_REPORT, or the standin.json of one run
// with --standin=), to time until its start,
// and a command run untimed next until it succeeds. OUTFILE gets one line per timed start:
// command index, round, microseconds, exit code.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::wstring widen(const std::string& text) {
  std::wstring out(text.size(), L'\0');
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0],
                              static_cast<int>(out.size()));
  out.resize(n > 0 ? n : 0);
  return out;
}

// The count the stand-in recorded at its start in its report, which is then removed; 0 when
// none came within 10 s.
long long standin_start(const std::wstring& report) {
  for (int i = 0; i < 1000; Sleep(10), ++i) {
    std::stringstream text;
    text << std::ifstream(report.c_str(), std::ios::binary).rdbuf();
    size_t at = text.str().find("\"qpc\": ");
    if (at != std::string::npos && DeleteFileW(report.c_str()))
      return std::atoll(text.str().c_str() + at + 7);
  }
  return 0;
}

// Starts the command and waits for it; returns the microseconds taken and its exit code.
bool time_start(std::wstring command, double ticks_per_us, double* us, DWORD* code) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  LARGE_INTEGER begin, end;
  QueryPerformanceCounter(&begin);
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info)) {
    return false;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  QueryPerformanceCounter(&end);
  GetExitCodeProcess(info.hProcess, code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  *us = static_cast<double>(end.QuadPart - begin.QuadPart) / ticks_per_us;
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: start_timer JOBFILE OUTFILE\n");
    return 2;
  }
  std::ifstream job(argv[1], std::ios::binary);
  int warm_up = 0, rounds = 0;
  job >> warm_up >> rounds;
  std::vector<std::wstring> commands, reports, afters;
  for (std::string line, report, after; std::getline(job, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream fields(line + "\t\t\t");  // every field, empty or not, then ends in one
    if (line.empty() ||
        !std::getline(std::getline(std::getline(fields, line, '\t'), report, '\t'), after, '\t'))
      continue;
    commands.push_back(widen(line));
    reports.push_back(widen(report));
    afters.push_back(widen(after));
  }
  if (commands.empty() || rounds <= 0) {
    std::fprintf(stderr, "start_timer: no commands or rounds in the job file\n");
    return 2;
  }
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  double ticks_per_us = static_cast<double>(frequency.QuadPart) / 1e6;

  std::ostringstream out;
  for (int round = -warm_up; round < rounds; ++round) {
    for (size_t i = 0; i < commands.size(); ++i) {
      size_t index = (i + static_cast<size_t>(round + warm_up)) % commands.size();
      double us = 0;
      DWORD code = 0;
      LARGE_INTEGER before;
      QueryPerformanceCounter(&before);
      if (!time_start(commands[index], ticks_per_us, &us, &code)) {
        std::fprintf(stderr, "start_timer: cannot start command %zu (error %lu)\n", index,
                     GetLastError());
        return 1;
      }
      if (!reports[index].empty())
        us = static_cast<double>(standin_start(reports[index]) - before.QuadPart) / ticks_per_us;
      // Untimed, until it succeeds (a service may not take a stop yet).
      double untimed = 0;
      DWORD failed = 1;
      for (int i = 0; !afters[index].empty() && failed && i < 100; Sleep(50), ++i)
        time_start(afters[index], ticks_per_us, &untimed, &failed);
      if (round >= 0) out << index << ' ' << round << ' ' << us << ' ' << code << '\n';
    }
  }
  std::ofstream(argv[2], std::ios::binary) << out.str();
  return 0;
}
