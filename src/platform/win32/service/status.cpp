#include "platform/win32/service/status.h"

#include "platform/win32/service/service_log.h"

namespace {

SERVICE_STATUS_HANDLE handle = nullptr;
SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, 0, 0, NO_ERROR, 0, 0, 0};
const wchar_t* name = nullptr;

}  // namespace

bool register_service(const wchar_t* given, LPHANDLER_FUNCTION_EX handler) {
  name = given;
  handle = RegisterServiceCtrlHandlerExW(given, handler, nullptr);
  return handle != nullptr;
}

const wchar_t* service_name() {
  return name;
}

void set_preshutdown_timeout(DWORD ms) {
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE self = manager ? OpenServiceW(manager, name, SERVICE_CHANGE_CONFIG) : nullptr;
  SERVICE_PRESHUTDOWN_INFO info{ms};
  if (self) ChangeServiceConfig2W(self, SERVICE_CONFIG_PRESHUTDOWN_INFO, &info);
  if (self) CloseServiceHandle(self);
  if (manager) CloseServiceHandle(manager);
}

void report_status(DWORD state, DWORD wait_hint) {
  bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
  status.dwCheckPoint = pending ? status.dwCheckPoint + 1 : 0;
  status.dwCurrentState = state;
  status.dwWaitHint = wait_hint;
  status.dwControlsAccepted =
      state == SERVICE_RUNNING
          ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PRESHUTDOWN | SERVICE_ACCEPT_SHUTDOWN
          : 0;
  SetServiceStatus(handle, &status);
}

void stop_service(int exit_code) {
  const char16_t* who = reinterpret_cast<const char16_t*>(name);
  if (exit_code) {
    log_service_line(u"Service %s stopped with service exit code %d", who, exit_code);
  } else {
    log_service_line(u"Service %s stopped", who);
  }
  close_service_log();
  status.dwWin32ExitCode = exit_code ? ERROR_SERVICE_SPECIFIC_ERROR : NO_ERROR;
  status.dwServiceSpecificExitCode = static_cast<DWORD>(exit_code);
  report_status(SERVICE_STOPPED, 0);
}
