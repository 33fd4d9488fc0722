#include "platform/win32/service/service_log.h"

#include <cstdarg>

#include "launch/diagnostics.h"
#include "launch/format.h"
#include "launch/wide_text.h"
#include "platform/win32/text_output.h"
#include "platform/win32/wide.h"

namespace {

SRWLOCK lock = SRWLOCK_INIT;
HANDLE file = INVALID_HANDLE_VALUE;
unsigned long long written = 0;  // the file's size
bool at_line_start = true;
// The caller's, and a block of path_capacity units: a zeroed static buffer would be stored in
// the file.
const service_settings* settings;
char16_t* log_path;
const char16_t* log_stem;

// folder\stem.log, or folder\stem.N.log for the Nth old log. False when it does not fit.
bool log_name(DWORD n, char16_t* out) {
  char16_t number[16] = u"";
  if (n) format_into(number, 16, u".%d", static_cast<int>(n));
  return format_into(out, path_capacity, u"%s\\%s%s.log",
                     reinterpret_cast<const char16_t*>(settings->log_folder), log_stem,
                     number) < path_capacity - 1;
}

// Creates the folders of the path that are missing, from the top.
void make_folders(char16_t* path) {
  for (char16_t* c = path + 3; *c; ++c) {
    if (*c != u'\\') continue;
    *c = 0;
    CreateDirectoryW(wide(path), nullptr);
    *c = u'\\';
  }
}

bool open_file() {
  // Other programs may read the log, and rename or delete it, while the service writes.
  file = CreateFileW(wide(log_path), FILE_APPEND_DATA,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
  LARGE_INTEGER size{};
  if (file != INVALID_HANDLE_VALUE && GetFileSizeEx(file, &size)) written = size.QuadPart;
  return file != INVALID_HANDLE_VALUE;
}

// NAME.log becomes NAME.1.log, and each old log the next, the last one kept replaced; with
// none kept the log is emptied. Should a rename fail (a reader holding a log without
// sharing its deletion), the log goes on where it is, and the next write tries again.
void rotate() {
  CloseHandle(file);
  char16_t from[path_capacity], to[path_capacity];
  bool moved = true;
  for (DWORD n = settings->log_files; n > 0 && moved; --n) {
    moved = log_name(n - 1, from) && log_name(n, to) &&
            (MoveFileExW(wide(from), wide(to), MOVEFILE_REPLACE_EXISTING) ||
             GetLastError() == ERROR_FILE_NOT_FOUND);
  }
  if (moved && !settings->log_files) DeleteFileW(wide(log_path));
  open_file();
}

// Writes bytes, or a line, under the lock, and rotates the log once it reaches the limit.
void append(const char* bytes, DWORD size, const char16_t* line) {
  AcquireSRWLockExclusive(&lock);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD done = 0;
    if (line && !at_line_start && WriteFile(file, "\r\n", 2, &done, nullptr)) written += done;
    if (line) {
      written += write_text_line(file, line);
      at_line_start = true;
    } else if (WriteFile(file, bytes, size, &done, nullptr) && done) {
      written += done;
      at_line_start = bytes[done - 1] == '\n';
    }
    if (settings->log_limit && written >= settings->log_limit) rotate();
  }
  ReleaseSRWLockExclusive(&lock);
}

}  // namespace

const char16_t* launcher_stem(const char16_t* launcher_path, char16_t* stem) {
  const char16_t* name = find_last_char(launcher_path, u'\\');
  replace_extension(name ? name + 1 : launcher_path, u"", stem);
  return stem;
}

bool open_service_log(const service_settings& given, const char16_t* stem) {
  settings = &given;
  log_stem = stem;
  log_path = static_cast<char16_t*>(alloc_or_exit(nullptr, path_capacity * sizeof(char16_t)));
  if (!log_name(0, log_path)) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
  }
  make_folders(log_path);
  return open_file();
}

const char16_t* service_log_path() {
  return log_path;
}

void log_service_line(const char16_t* format, ...) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char16_t line[4096];
  size_t at =
      format_into(line, 4096, u"%d-%d%d-%d%d %d%d:%d%d:%d%d [tavrin] ", t.wYear, t.wMonth / 10,
                  t.wMonth % 10, t.wDay / 10, t.wDay % 10, t.wHour / 10, t.wHour % 10,
                  t.wMinute / 10, t.wMinute % 10, t.wSecond / 10, t.wSecond % 10);
  va_list args;
  va_start(args, format);
  vformat_into(line + at, 4096 - at, format, args);
  va_end(args);
  append(nullptr, 0, line);
}

void log_program_output(const char* bytes, DWORD size) {
  append(bytes, size, nullptr);
}

void close_service_log() {
  AcquireSRWLockExclusive(&lock);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  file = INVALID_HANDLE_VALUE;
  ReleaseSRWLockExclusive(&lock);
}
