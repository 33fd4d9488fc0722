// The console launcher shows an error on standard error instead of in a box.
#include <windows.h>

#include "platform/os.h"
#include "platform/win32/text_output.h"
#include "platform/win32/update_hook.h"

namespace os {

void report_error(const char16_t* text, const char16_t*, uint32_t) {
  after_launcher_failure();
  write_text_line(GetStdHandle(STD_ERROR_HANDLE), text);
}

}  // namespace os
