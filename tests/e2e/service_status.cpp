// Reads a service's status through QueryServiceStatusEx, which Wine's sc lacks (it has no
// queryex): the state, the exit codes, the process id.
//
// Usage: service_status.exe NAME OUTFILE [STATE SECONDS]
// With STATE (a SERVICE_* state number), waits up to SECONDS for the service to reach it.
// OUTFILE gets one JSON object: state, win32_exit_code, service_exit_code, pid, controls,
// or error (the system error) when the service cannot be read. Exit status: 0 when read (and
// in STATE), 1 when the wait ran out, 2 when the service cannot be read.
#include <windows.h>

#include <string>

#include "json_out.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 3 && argc != 5) return 2;
  DWORD wanted = argc == 5 ? wcstoul(argv[3], nullptr, 10) : 0;
  DWORD deadline = GetTickCount() + (argc == 5 ? wcstoul(argv[4], nullptr, 10) * 1000 : 0);
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = manager ? OpenServiceW(manager, argv[1], SERVICE_QUERY_STATUS) : nullptr;
  SERVICE_STATUS_PROCESS status{};
  DWORD size = 0;
  bool read = false;
  while ((read = service &&
                 QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO,
                                      reinterpret_cast<BYTE*>(&status), sizeof status, &size)) &&
         wanted && status.dwCurrentState != wanted &&
         static_cast<int>(deadline - GetTickCount()) > 0) {
    Sleep(50);
  }
  std::string json =
      read ? "{\"state\": " + std::to_string(status.dwCurrentState) +
                 ", \"win32_exit_code\": " + std::to_string(status.dwWin32ExitCode) +
                 ", \"service_exit_code\": " + std::to_string(status.dwServiceSpecificExitCode) +
                 ", \"pid\": " + std::to_string(status.dwProcessId) +
                 ", \"controls\": " + std::to_string(status.dwControlsAccepted) + "}\n"
           : "{\"error\": " + std::to_string(GetLastError()) + "}\n";
  e2e::write_file(argv[2], json, false);
  if (!read) return 2;
  return wanted && status.dwCurrentState != wanted ? 1 : 0;
}
