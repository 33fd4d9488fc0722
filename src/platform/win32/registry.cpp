// Read-only registry access through ADVAPI32, loaded only when a runtime is searched.
#include <windows.h>

#include "platform/os.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide.h"

namespace os {
namespace {

using open_key_fn = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
using query_value_fn = LONG(WINAPI*)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using close_key_fn = LONG(WINAPI*)(HKEY);

struct advapi {
  open_key_fn open_key;
  query_value_fn query_value;
  close_key_fn close_key;
};

// The three registry functions, or null when ADVAPI32 cannot be had.
const advapi* registry_functions() {
  static advapi functions{};
  static bool loaded = false;
  if (!loaded) {
    loaded = true;
    functions.open_key =
        reinterpret_cast<open_key_fn>(system_function(L"advapi32.dll", "RegOpenKeyExW"));
    functions.query_value =
        reinterpret_cast<query_value_fn>(system_function(L"advapi32.dll", "RegQueryValueExW"));
    functions.close_key =
        reinterpret_cast<close_key_fn>(system_function(L"advapi32.dll", "RegCloseKey"));
  }
  if (!functions.open_key || !functions.query_value || !functions.close_key) return nullptr;
  return &functions;
}

int32_t unavailable() {
  DWORD error = GetLastError();
  return error ? static_cast<int32_t>(error) : ERROR_PROC_NOT_FOUND;
}

}  // namespace

reg_key registry_hive(reg_hive hive) {
  static const HKEY keys[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
  return reinterpret_cast<reg_key>(keys[hive]);
}

int32_t open_registry_key(reg_key parent, const char16_t* name, uint32_t access, reg_key* key) {
  const advapi* f = registry_functions();
  if (!f) return unavailable();
  HKEY opened = nullptr;
  LONG status = f->open_key(reinterpret_cast<HKEY>(parent), wide(name), 0, access, &opened);
  *key = reinterpret_cast<reg_key>(opened);
  return status;
}

int32_t query_registry_value(reg_key key, const char16_t* name, uint32_t* type, uint8_t* data,
                             uint32_t* size) {
  const advapi* f = registry_functions();
  if (!f) return unavailable();
  DWORD value_type = 0;
  DWORD value_size = *size;
  LONG status = f->query_value(reinterpret_cast<HKEY>(key), wide(name), nullptr, &value_type, data,
                               &value_size);
  *type = value_type;
  *size = value_size;
  return status;
}

void close_registry_key(reg_key key) {
  const advapi* f = registry_functions();
  if (f) f->close_key(reinterpret_cast<HKEY>(key));
}

}  // namespace os
