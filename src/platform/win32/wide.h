// The core's UTF-16 texts as the wchar_t texts of the Win32 calls; both are 16 bits here.
#pragma once

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline const wchar_t* wide(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}
inline wchar_t* wide(char16_t* text) {
  return reinterpret_cast<wchar_t*>(text);
}
