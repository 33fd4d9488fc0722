// The windowed launcher's child: started with a normal window and no handle of the
// launcher's, waited for plainly; the launcher's exit code never carries the child's.
#include <windows.h>

#include "platform/os.h"
#include "platform/win32/launcher_string.h"
#include "platform/win32/update_hook.h"
#include "platform/win32/wide.h"

namespace os {

bool start_process(char16_t* command, bool, process* started) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  wchar_t app_id[129];
  set_app_user_model_id(&startup, app_id);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, wide(command), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return false;
  }
  CloseHandle(info.hThread);
  after_program_start(wide(command));
  started->id = info.dwProcessId;
  started->handle = info.hProcess;
  started->job_error = 0;
  return true;
}

void wait_process(const process& started) {
  if (WaitForSingleObject(started.handle, check_delay_ms) == WAIT_TIMEOUT) start_due_check();
  WaitForSingleObject(started.handle, INFINITE);
}

int exit_code_after_wait(const process&) {
  return 0;
}

}  // namespace os
