// Times program starts: starts each command line of a job file in turn, round after round,
// and measures with QueryPerformanceCounter the wall time from CreateProcessW until the
// program has ended.
//
// Usage: start_timer.exe JOBFILE OUTFILE
// JOBFILE is UTF-8: the number of untimed warm-up rounds, the number of timed rounds, the
// milliseconds to pause after each start (so that what a start leaves running has settled
// before the next), then one command line a line. Each round starts every command once; the first command shifts
// by one each round, so that no program always follows the same one. OUTFILE gets one line
// per timed start: command index, round, microseconds, exit code, and the start's moment in
// microseconds of QueryPerformanceCounter, a clock that every process shares.
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

// Starts the command and waits for it; returns the microseconds taken and its exit code.
bool time_start(std::wstring command, double ticks_per_us, double* us, DWORD* code,
                double* begin_us) {
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
  *begin_us = static_cast<double>(begin.QuadPart) / ticks_per_us;
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
  DWORD pause_ms = 0;
  job >> warm_up >> rounds >> pause_ms;
  std::vector<std::wstring> commands;
  for (std::string line; std::getline(job, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) commands.push_back(widen(line));
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
      double us = 0, begin_us = 0;
      DWORD code = 0;
      if (!time_start(commands[index], ticks_per_us, &us, &code, &begin_us)) {
        std::fprintf(stderr, "start_timer: cannot start command %zu (error %lu)\n", index,
                     GetLastError());
        return 1;
      }
      Sleep(pause_ms);
      if (round >= 0)
        out << index << ' ' << round << ' ' << us << ' ' << code << ' ' << std::fixed << begin_us
            << std::defaultfloat << '\n';
    }
  }
  std::ofstream(argv[2], std::ios::binary) << out.str();
  return 0;
}
