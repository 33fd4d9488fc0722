#include "platform/win32/system_library.h"

#include <windows.h>

void* system_function(const wchar_t* dll, const char* function) {
  // Only the system directory is searched, never the application's or the current one.
  HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Systems without that search flag refuse it; the DLLs asked for are known system DLLs,
  // which the loader takes from the system directory anyway.
  if (!module && GetLastError() == ERROR_INVALID_PARAMETER) module = LoadLibraryW(dll);
  if (!module) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(module, function));
}
