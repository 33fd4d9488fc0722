#include "app_files.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/simulated/machine.h"

namespace {

std::string read_local(const std::string& utf8_path, uint64_t limit, file_read* result) {
  std::filesystem::path path = std::filesystem::u8path(utf8_path);
  std::error_code error;
  uint64_t size = std::filesystem::file_size(path, error);
  *result = error ? file_read::unreadable : size > limit ? file_read::too_large : file_read::ok;
  std::string bytes;
  if (*result != file_read::ok) return bytes;
  bytes.resize(size);
  std::ifstream in(path, std::ios::binary);
  if (!in.read(&bytes[0], static_cast<std::streamsize>(size))) *result = file_read::unreadable;
  return bytes;
}

}  // namespace

file_read read_app_file(const std::u16string& path, uint64_t limit, std::string* bytes) {
  const simulated_os::machine& m = simulated_os::current();
  std::u16string name = simulated_os::lookup_name(path.c_str());
  auto held = m.files.find(name);
  if (held != m.files.end()) {
    if (held->second.size() > limit) return file_read::too_large;
    *bytes = held->second;
    return file_read::ok;
  }
  auto local = m.local_files.find(name);
  if (local == m.local_files.end()) return file_read::missing;
  file_read result;
  *bytes = read_local(local->second, limit, &result);
  return result;
}

file_read read_app_file_head(const std::u16string& path, size_t count, std::string* bytes) {
  const simulated_os::machine& m = simulated_os::current();
  std::u16string name = simulated_os::lookup_name(path.c_str());
  auto held = m.files.find(name);
  if (held != m.files.end()) {
    *bytes = held->second.substr(0, count);
    return file_read::ok;
  }
  auto local = m.local_files.find(name);
  if (local == m.local_files.end()) return file_read::missing;
  std::ifstream in(std::filesystem::u8path(local->second), std::ios::binary);
  bytes->assign(count, '\0');
  in.read(&(*bytes)[0], static_cast<std::streamsize>(count));
  bytes->resize(static_cast<size_t>(in.gcount()));
  return in.bad() || !in.is_open() ? file_read::unreadable : file_read::ok;
}

bool is_app_directory(const std::u16string& path) {
  return simulated_os::current().directories.count(simulated_os::lookup_name(path.c_str())) > 0;
}

std::u16string stored_file_name(const std::u16string& path) {
  const simulated_os::machine& m = simulated_os::current();
  std::u16string name = simulated_os::lookup_name(path.c_str());
  auto held = m.files.find(name);
  if (held != m.files.end()) return held->first;
  auto local = m.local_files.find(name);
  return local != m.local_files.end() ? local->first : std::u16string();
}

std::vector<std::u16string> files_below(const std::u16string& directory) {
  const simulated_os::machine& m = simulated_os::current();
  std::u16string prefix = simulated_os::lookup_name(directory.c_str()) + u'\\';
  simulated_os::ignore_case_less less;
  std::vector<std::u16string> names;
  for (const auto* files : {&m.files, &m.local_files}) {
    for (auto it = files->lower_bound(prefix);
         it != files->end() && !less(prefix, it->first.substr(0, prefix.size())); ++it) {
      names.push_back(it->first);
    }
  }
  return names;
}
