// Writes JSON text in plain ASCII: everything outside printable ASCII is escaped as
// \uXXXX UTF-16 code units, so any wide string (even with lone surrogates) survives.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

inline void json_string(std::string& out, const wchar_t* s, size_t n) {
  static const char hex[] = "0123456789abcdef";
  out += '"';
  for (size_t i = 0; i < n; ++i) {
    unsigned c = static_cast<unsigned short>(s[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += hex[(c >> shift) & 15];
    }
  }
  out += '"';
}

inline void json_string(std::string& out, const std::wstring& s) {
  json_string(out, s.data(), s.size());
}

inline void json_string_list(std::string& out, const std::vector<std::wstring>& list) {
  out += '[';
  for (size_t i = 0; i < list.size(); ++i) {
    if (i) out += ", ";
    json_string(out, list[i]);
  }
  out += ']';
}

// Writes (or with append, adds to) a file; true on success.
inline bool write_file(const std::wstring& path, const std::string& bytes, bool append) {
  HANDLE f =
      CreateFileW(path.c_str(), append ? FILE_APPEND_DATA : GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                  append ? OPEN_ALWAYS : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  return ok && written == bytes.size();
}

}  // namespace e2e
