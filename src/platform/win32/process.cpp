// What both launchers do with their child once it has been started.
#include <windows.h>

#include "platform/os.h"

namespace os {

void close_process(const process& started) {
  CloseHandle(started.handle);
}

}  // namespace os
