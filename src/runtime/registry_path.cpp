#include "runtime/registry_path.h"

#include "launch/diagnostics.h"
#include "launch/wide_text.h"
#include "platform/os.h"

namespace {

uint8_t* result_buffer = nullptr;

struct hive_name {
  const char16_t* name;
  os::reg_hive hive;
};

const hive_name hives[] = {
    {u"HKEY_CLASSES_ROOT", os::hive_classes_root},
    {u"HKEY_CURRENT_USER", os::hive_current_user},
    {u"HKEY_LOCAL_MACHINE", os::hive_local_machine},
    {u"HKEY_USERS", os::hive_users},
};

// Cuts the next component at *cursor: skips a run of backslashes, terminates the
// component in place. Null when none is left.
char16_t* next_component(char16_t** cursor) {
  char16_t* p = *cursor;
  while (*p == u'\\') ++p;
  if (!*p) {
    *cursor = p;
    return nullptr;
  }
  char16_t* start = p;
  while (*p && *p != u'\\') ++p;
  if (*p) *p++ = 0;
  *cursor = p;
  return start;
}

const void* invalid_path(const char16_t* path, char16_t* copy) {
  os::release(copy);
  log_message(u"Invalid registry path '%s'", path);
  return nullptr;
}

// Queries the value into the result buffer, with room for a terminator that a string
// stored without one, or with no data, still gets. Returns 0 or a system error code.
int32_t query_value(os::reg_key key, const char16_t* name, uint32_t* type) {
  uint32_t size = 0;
  int32_t status = os::query_registry_value(key, name, type, nullptr, &size);
  if (status != 0) return status;
  uint32_t capacity = size;
  result_buffer = static_cast<uint8_t*>(alloc_or_exit(nullptr, byte_count(size + 2ull + (size & 1), 1)));
  status = os::query_registry_value(key, name, type, result_buffer, &size);
  if (status != 0) return status;
  if (size > capacity) size = capacity;
  size &= ~1u;
  result_buffer[size] = 0;
  result_buffer[size + 1] = 0;
  return 0;
}

}  // namespace

const void* read_registry_path(const char16_t* path, uint32_t* type, uint32_t access_flags) {
  log_message(u"Reading registry path '%s'", path);
  os::release(result_buffer);
  result_buffer = nullptr;
  if (path[0] != u'\\') return invalid_path(path, nullptr);

  size_t length = text_length(path + 1);
  char16_t* copy =
      static_cast<char16_t*>(alloc_or_exit(nullptr, byte_count(length + 1ull, sizeof(char16_t))));
  for (size_t i = 0; i <= length; ++i) copy[i] = path[1 + i];
  char16_t* cursor = copy;
  char16_t* hive = next_component(&cursor);
  char16_t* pending = hive ? next_component(&cursor) : nullptr;
  if (!pending) return invalid_path(path, copy);
  const hive_name* match = nullptr;
  for (const hive_name& h : hives) {
    if (text_equals(hive, h.name)) match = &h;
  }
  if (!match) return invalid_path(path, copy);

  os::reg_key key = os::registry_hive(match->hive);
  for (char16_t* next; (next = next_component(&cursor)) != nullptr; pending = next) {
    os::reg_key subkey = 0;
    int32_t status =
        os::open_registry_key(key, pending, access_flags | os::key_query_value, &subkey);
    os::close_registry_key(key);
    if (status != 0) {
      log_message(u"RegOpenKeyEx '%s' at '%s':\n%.255s", path, pending,
                  system_error_text(static_cast<uint32_t>(status)));
      os::release(copy);
      return nullptr;
    }
    key = subkey;
  }

  int32_t status = query_value(key, pending, type);
  os::close_registry_key(key);
  os::release(copy);
  if (status != 0) {
    log_message(u"RegQueryValueEx '%s':\n%.255s", path,
                system_error_text(static_cast<uint32_t>(status)));
    return nullptr;
  }
  log_message(
      u"Registry path '%s'=\n'%s'", path,
      *type == os::reg_sz ? reinterpret_cast<const char16_t*>(result_buffer) : u"not a REG_SZ");
  return result_buffer;
}
