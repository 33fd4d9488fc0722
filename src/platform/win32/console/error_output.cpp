// The console launcher shows an error on standard error instead of in a box: to a console
// as UTF-16 through the console itself, so that every character shows; to a file or pipe
// as UTF-8. Line feeds become CR LF, as in the log. The buffers are on the stack, since
// the error may be "Out of memory", and a static buffer would be stored in the file.
#include <windows.h>

#include "launch/wide_text.h"
#include "platform/os.h"
#include "platform/win32/update_hook.h"
#include "platform/win32/wide.h"

namespace os {

void report_error(const char16_t* text, const char16_t*, uint32_t) {
  after_launcher_failure();
  constexpr int text_capacity = 2 * 4096 + 2;  // every character a line feed, and the end
  char16_t text_buffer[text_capacity];
  int length = 0;
  char16_t previous = 0;
  for (const char16_t* c = text; *c && length < text_capacity - 3; previous = *c++) {
    if (lacks_carriage_return(previous, *c)) text_buffer[length++] = u'\r';
    text_buffer[length++] = *c;
  }
  text_buffer[length++] = u'\r';
  text_buffer[length++] = u'\n';

  // WriteConsoleW first: it fails on anything but a console, and it succeeds on a console
  // handle opened for writing only, where GetConsoleMode would fail and UTF-8 would show
  // in the console's code page.
  HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  if (WriteConsoleW(error, wide(text_buffer), static_cast<DWORD>(length), &written, nullptr)) {
    return;
  }
  char utf8_buffer[3 * text_capacity];
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide(text_buffer), length, utf8_buffer,
                                  sizeof utf8_buffer, nullptr, nullptr);
  WriteFile(error, utf8_buffer, static_cast<DWORD>(bytes), &written, nullptr);
}

}  // namespace os
