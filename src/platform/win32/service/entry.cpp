// The service twin's entry: a service's main thread is the service manager's dispatcher, which
// runs service_main on a thread of its own and returns once the service has stopped. When no
// service manager started the program, the dispatcher fails at once.
#include <windows.h>

#include "platform/win32/service/service_main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // An own-process service's name in the table is not used; the manager passes it to
  // service_main.
  SERVICE_TABLE_ENTRYW services[] = {{const_cast<wchar_t*>(L""), service_main}, {nullptr, nullptr}};
  if (StartServiceCtrlDispatcherW(services)) return 0;
  run_by_hand(GetLastError());
}
