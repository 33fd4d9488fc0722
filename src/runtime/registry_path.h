// Reads one registry value named by a registry path: a backslash, the hive name, the key
// names and the value name, separated by backslashes. Read only; never fatal.
#pragma once

#include <cstdint>

// The value's data and its type, or null (the reason is logged). A REG_SZ value always
// arrives null-terminated. The data stays valid until the next call.
const void* read_registry_path(const char16_t* path, uint32_t* type, uint32_t access_flags);
