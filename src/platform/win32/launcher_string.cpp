#include "platform/win32/launcher_string.h"

#include "platform/launcher_strings.h"

bool launcher_string(unsigned id, wchar_t* buf, size_t capacity) {
  // A string table block holds strings 16 * (block - 1) to 16 * block - 1, each a count of
  // UTF-16 units and then the units, with no terminator.
  HRSRC found = FindResourceExW(nullptr, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1),
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
  if (!found) return false;
  const WORD* at = static_cast<const WORD*>(LockResource(LoadResource(nullptr, found)));
  if (!at) return false;
  const WORD* end = at + SizeofResource(nullptr, found) / sizeof(WORD);
  for (unsigned i = 0; i < id % 16; ++i) {
    if (at == end || static_cast<size_t>(end - at) <= *at) return false;
    at += 1 + *at;
  }
  if (at == end) return false;
  size_t length = *at++;
  if (length == 0 || length >= capacity || static_cast<size_t>(end - at) < length) return false;
  for (size_t i = 0; i < length; ++i) buf[i] = static_cast<wchar_t>(at[i]);
  buf[length] = 0;
  return true;
}

void set_app_user_model_id(STARTUPINFOW* startup, wchar_t (&id)[129]) {
  static_assert(sizeof id / sizeof *id == launcher_strings::max_app_user_model_id + 1);
  if (!launcher_string(launcher_strings::app_user_model_id, id, sizeof id / sizeof *id)) return;
  startup->dwFlags |= STARTF_TITLEISAPPID;
  startup->lpTitle = id;
}
