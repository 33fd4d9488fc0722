#include "files.h"

#include <cstdio>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace brand {
namespace {

using file = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

#ifdef _WIN32
constexpr char separators[] = "/\\:";

std::wstring wide(const std::string& text) {
  int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
  return out;
}

file open(const std::string& name, bool writing) {
  return file(_wfopen(wide(name).c_str(), writing ? L"wb" : L"rb"), std::fclose);
}

bool rename_over(const std::string& from, const std::string& to) {
  return MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void remove_file(const std::string& name) {
  DeleteFileW(wide(name).c_str());
}

void make_executable(const std::string&) {}

// The volume and index that identify a file, or nothing when it cannot be opened.
bool identity(const std::string& name, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE h =
      CreateFileW(wide(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool ok = GetFileInformationByHandle(h, info) != 0;
  CloseHandle(h);
  return ok;
}

#else
constexpr char separators[] = "/";

file open(const std::string& name, bool writing) {
  return file(std::fopen(name.c_str(), writing ? "wb" : "rb"), std::fclose);
}

bool rename_over(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

void remove_file(const std::string& name) {
  std::remove(name.c_str());
}

// Copies get the read bits' execute bits, as a linker's output has.
void make_executable(const std::string& name) {
  struct stat s;
  if (stat(name.c_str(), &s) == 0) chmod(name.c_str(), s.st_mode | (s.st_mode & 0444) >> 2);
}

#endif

}  // namespace

bytes read_file(const std::string& name) {
  file f = open(name, false);
  bytes data;
  uint8_t buffer[65536];
  size_t n = 0;
  while (f && (n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0)
    data.insert(data.end(), buffer, buffer + n);
  if (!f || std::ferror(f.get())) throw bad_input(name + ": cannot be read");
  return data;
}

void write_file(const std::string& name, const bytes& data) {
  std::string temporary = name + ".tavrin-brand-tmp";
  file f = open(temporary, true);
  bool written = f && std::fwrite(data.data(), 1, data.size(), f.get()) == data.size();
  written = f && std::fclose(f.release()) == 0 && written;
  if (written) make_executable(temporary);
  if (!written || !rename_over(temporary, name)) {
    remove_file(temporary);
    throw bad_input(name + ": cannot be written");
  }
}

#ifdef _WIN32
bool same_file(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION x, y;
  return identity(a, &x) && identity(b, &y) && x.dwVolumeSerialNumber == y.dwVolumeSerialNumber &&
         x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow;
}
#else
bool same_file(const std::string& a, const std::string& b) {
  struct stat x, y;
  return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev &&
         x.st_ino == y.st_ino;
}
#endif

std::string base_name(const std::string& path) {
  size_t slash = path.find_last_of(separators);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace brand
