// The registry of the simulated machine: two views, keys opened by path.
#include <cstring>

#include "platform/os.h"
#include "platform/simulated/machine.h"

using simulated_os::current;

namespace os {
namespace {

constexpr int32_t error_file_not_found = 2;
constexpr int32_t error_more_data = 234;

const char16_t* const hive_names[] = {u"HKEY_CLASSES_ROOT", u"HKEY_CURRENT_USER",
                                      u"HKEY_LOCAL_MACHINE", u"HKEY_USERS"};

struct open_key {
  int view;
  std::u16string path;
};

// Handles 1 to 4 are the hives; opened keys follow. Closed slots are used again, so that
// long fuzzing runs do not grow the table.
std::vector<open_key> opened;
std::vector<reg_key> free_slots;

int default_view() {
  return current().default_view_is_64 ? 64 : 32;
}

open_key key_of(reg_key key) {
  if (key >= 1 && key <= 4) return {default_view(), hive_names[key - 1]};
  return opened.at(key - 5);
}

simulated_os::registry_view& view(int bits) {
  return bits == 64 ? current().view64 : current().view32;
}

// A key exists when it or a key below it holds values.
bool key_exists(int bits, const std::u16string& path) {
  simulated_os::ignore_case_less less;
  for (const auto& entry : view(bits)) {
    const std::u16string& key = entry.first;
    if (key.size() < path.size()) continue;
    std::u16string head = key.substr(0, path.size());
    if (!less(head, path) && !less(path, head) &&
        (key.size() == path.size() || key[path.size()] == u'\\')) {
      return true;
    }
  }
  return false;
}

std::u16string bits_text(int bits) {
  return bits == 64 ? u"64" : u"32";
}

}  // namespace

reg_key registry_hive(reg_hive hive) {
  return static_cast<reg_key>(hive) + 1;
}

int32_t open_registry_key(reg_key parent, const char16_t* name, uint32_t access, reg_key* key) {
  simulated_os::machine& m = current();
  open_key base = key_of(parent);
  int bits = access & key_wow64_64key ? 64 : default_view();
  std::u16string path = base.path + u"\\" + name;
  m.registry_calls.push_back(u"open " + bits_text(bits) + u" " + path);
  m.open_access.push_back(access);
  auto failing = m.faults.failing_keys.find(path);
  if (failing != m.faults.failing_keys.end()) return failing->second;
  if (!key_exists(bits, path)) return error_file_not_found;
  if (free_slots.empty()) {
    opened.push_back({bits, path});
    *key = opened.size() + 4;
  } else {
    *key = free_slots.back();
    free_slots.pop_back();
    opened[*key - 5] = {bits, path};
  }
  return 0;
}

int32_t query_registry_value(reg_key key, const char16_t* name, uint32_t* type, uint8_t* data,
                             uint32_t* size) {
  simulated_os::machine& m = current();
  open_key k = key_of(key);
  m.registry_calls.push_back(u"query " + bits_text(k.view) + u" " + k.path + u"\\" + name);
  if (data && m.faults.data_query_error) return m.faults.data_query_error;
  simulated_os::registry_view& v = view(k.view);
  auto values = v.find(k.path);
  if (values == v.end()) return error_file_not_found;
  auto value = values->second.find(name);
  if (value == values->second.end()) return error_file_not_found;
  uint32_t stored = static_cast<uint32_t>(value->second.data.size());
  *type = value->second.type;
  if (data) {
    if (stored > *size) return error_more_data;
    std::memcpy(data, value->second.data.data(), stored);
  }
  *size = stored;
  return 0;
}

void close_registry_key(reg_key key) {
  if (key > 4) free_slots.push_back(key);
}

}  // namespace os
