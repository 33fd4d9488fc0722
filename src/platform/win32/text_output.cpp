#include "platform/win32/text_output.h"

#include "launch/wide_text.h"
#include "platform/win32/wide.h"

// The buffers are on the stack, since the text may be "Out of memory", and a static buffer
// would be stored in the file.
DWORD write_text_line(HANDLE handle, const char16_t* text) {
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
  DWORD written = 0;
  if (WriteConsoleW(handle, wide(text_buffer), static_cast<DWORD>(length), &written, nullptr)) {
    return 0;
  }
  char utf8_buffer[3 * text_capacity];
  int bytes = WideCharToMultiByte(CP_UTF8, 0, wide(text_buffer), length, utf8_buffer,
                                  sizeof utf8_buffer, nullptr, nullptr);
  if (!WriteFile(handle, utf8_buffer, static_cast<DWORD>(bytes), &written, nullptr)) return 0;
  return written;
}
