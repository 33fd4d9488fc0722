// What both launchers do with their child once it has been started.
#include <windows.h>

#include "platform/os.h"
#include "platform/win32/update_hook.h"

namespace os {

void close_process(const process& started) {
  start_due_check();  // a program not waited for has started; one waited for has ended
  CloseHandle(started.handle);
}

}  // namespace os
