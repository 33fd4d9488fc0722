// Process identity, errors, text conversion, memory and environment over Win32 and the C
// runtime.
#include <windows.h>

#include <cerrno>
#include <cstdlib>

#include "platform/os.h"
#include "platform/win32/wide.h"

namespace os {

const char16_t* command_line() {
  return reinterpret_cast<const char16_t*>(GetCommandLineW());
}

uint32_t module_path(char16_t* buf, uint32_t size) {
  return GetModuleFileNameW(nullptr, wide(buf), size);
}

uint32_t last_error() {
  return GetLastError();
}

int error_number() {
  return errno;
}

uint32_t system_message(uint32_t code, char16_t* buf, uint32_t size) {
  DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), wide(buf), size - 1, nullptr);
  if (length == 0) buf[0] = 0;
  buf[size - 1] = 0;
  return length;
}

int utf8_to_utf16(const char* bytes, int size, char16_t* out, int capacity) {
  return MultiByteToWideChar(CP_UTF8, 0, bytes, size, wide(out), capacity);
}

bool is_letter(char16_t c) {
  WORD type = 0;
  return GetStringTypeW(CT_CTYPE1, wide(&c), 1, &type) && (type & C1_ALPHA);
}

void* resize(void* block, size_t size) {
  return realloc(block, size);
}

void release(void* block) {
  free(block);
}

const char16_t* environment(const char16_t* name) {
  return reinterpret_cast<const char16_t*>(_wgetenv(wide(name)));
}

void exit_process(int code) {
  ExitProcess(static_cast<UINT>(code));
}

}  // namespace os
