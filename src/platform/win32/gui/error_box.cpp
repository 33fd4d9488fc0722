// The error box through USER32, loaded only when a box is actually shown: most starts
// show none and should not pay for loading the windowing libraries.
#include <windows.h>

#include "platform/os.h"
#include "platform/win32/system_library.h"
#include "platform/win32/update_hook.h"
#include "platform/win32/wide.h"

namespace os {

void report_error(const char16_t* text, const char16_t* caption, uint32_t style) {
  after_launcher_failure();
  using message_box_fn = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT);
  auto show = reinterpret_cast<message_box_fn>(system_function(L"user32.dll", "MessageBoxW"));
  if (show) show(nullptr, wide(text), wide(caption), style);
}

}  // namespace os
