#include "platform/simulated/machine.h"

namespace simulated_os {
namespace {

char16_t upper(char16_t c) {
  return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

machine* the_machine = new machine();

}  // namespace

bool ignore_case_less::operator()(const std::u16string& a, const std::u16string& b) const {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    char16_t x = upper(a[i]);
    char16_t y = upper(b[i]);
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

machine& current() {
  return *the_machine;
}

void reset() {
  // The old machine is kept: the launcher's module-wide buffers may still point into
  // blocks it tracked, exactly as they would until a real process ended.
  the_machine = new machine();
}

void add_directory(const std::u16string& path) {
  for (size_t pos = path.find(u'\\', 3); pos != std::u16string::npos;
       pos = path.find(u'\\', pos + 1)) {
    the_machine->directories.insert(path.substr(0, pos));
  }
  the_machine->directories.insert(path);
}

namespace {

void add_parent(const std::u16string& path) {
  size_t last = path.rfind(u'\\');
  if (last != std::u16string::npos && last > 2) add_directory(path.substr(0, last));
}

}  // namespace

void add_file(const std::u16string& path, const std::string& bytes) {
  add_parent(path);
  the_machine->files[path] = bytes;
}

void add_local_file(const std::u16string& path, const std::string& local_path) {
  add_parent(path);
  the_machine->local_files[path] = local_path;
}

void set_registry_value(int view, const std::u16string& key, const std::u16string& name,
                        uint32_t type, const std::string& data) {
  registry_view& v = view == 64 ? the_machine->view64 : the_machine->view32;
  v[key][name] = registry_value{type, data};
}

void set_registry_text(int view, const std::u16string& key, const std::u16string& name,
                       const std::u16string& text) {
  std::string data(reinterpret_cast<const char*>(text.c_str()), (text.size() + 1) * 2);
  set_registry_value(view, key, name, 1, data);
}

}  // namespace simulated_os
