#include "platform/win32/update_hook.h"

#include "platform/launcher_strings.h"
#include "platform/win32/launcher_string.h"

namespace {

constexpr DWORD path_room = 1100;

// The command of a started program whose check is due and not yet started, else null.
const wchar_t* due_command = nullptr;

// The check interval in hours from the string table; 0 when the app does not update itself.
unsigned long long update_hours() {
  wchar_t text[8];
  if (!launcher_string(launcher_strings::update_interval, text, sizeof text / sizeof *text))
    return 0;
  unsigned long long hours = 0;
  for (const wchar_t* c = text; *c; ++c) {
    if (*c < L'0' || *c > L'9') return 0;
    hours = hours * 10 + static_cast<unsigned>(*c - L'0');
  }
  return hours;
}

// Appends text at out[at], keeping a terminator; false when it does not fit.
bool append(wchar_t* out, DWORD* at, const wchar_t* text) {
  for (; *text; ++text) {
    if (*at + 1 >= path_room) return false;
    out[(*at)++] = *text;
  }
  out[*at] = 0;
  return true;
}

// Fills state with "<launcher folder>\tavrin-update\"; returns its length, 0 on failure.
// launcher receives the launcher's own path.
DWORD state_folder(wchar_t* state, wchar_t* launcher) {
  DWORD n = GetModuleFileNameW(nullptr, launcher, path_room);
  if (n == 0 || n >= path_room) return 0;
  DWORD at = n;
  while (at > 0 && launcher[at - 1] != L'\\') --at;
  for (DWORD i = 0; i < at; ++i) state[i] = launcher[i];
  state[at] = 0;
  return append(state, &at, L"tavrin-update\\") ? at : 0;
}

// Whether the file's last write is hours or more ago, or in the future, or it is missing.
bool due(const wchar_t* stamp, unsigned long long hours) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(stamp, GetFileExInfoStandard, &data)) return true;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& t) {
    return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  unsigned long long written = ticks(data.ftLastWriteTime), current = ticks(now);
  return written > current || current - written >= hours * 3600ULL * 10000000ULL;
}

// Starts the update program beside the command's program, in the launcher's folder.
void start_check(const wchar_t* command, const wchar_t* folder) {
  wchar_t program[path_room], line[path_room + 48];
  DWORD at = 0, slash = 0;
  bool quoted = *command == L'"';
  for (const wchar_t* c = command + quoted; *c && (quoted ? *c != L'"' : *c != L' ' && *c != L'\t');
       ++c) {
    if (at + 1 >= path_room) return;
    program[at++] = *c;
    if (*c == L'\\') slash = at;
  }
  program[slash] = 0;
  if (slash == 0 || !append(program, &slash, L"tavrin-update.exe")) return;
  DWORD length = 0;
  wchar_t pid[12], *digit = pid + 11;
  *digit = 0;
  for (DWORD id = GetCurrentProcessId(); id || digit == pid + 11; id /= 10)
    *--digit = static_cast<wchar_t>(L'0' + id % 10);
  line[0] = 0;
  if (!append(line, &length, L"\"") || !append(line, &length, program) ||
      !append(line, &length, L"\" check --launcher ") || !append(line, &length, digit))
    return;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (CreateProcessW(program, line, nullptr, nullptr, FALSE,
                     DETACHED_PROCESS | BELOW_NORMAL_PRIORITY_CLASS, nullptr, folder, &startup,
                     &info)) {
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
}

}  // namespace

void after_program_start(const wchar_t* command) {
  unsigned long long hours = update_hours();
  if (!hours) return;
  wchar_t state[path_room], launcher[path_room];
  DWORD at = state_folder(state, launcher);
  // A check finished within the interval: nothing is due, and nothing is pending, as a switch
  // removes the time stamp first and none is written while a version is pending.
  if (!at || !append(state, &at, L"checked") || !due(state, hours)) return;
  at -= 7;
  state[at] = 0;
  if (!append(state, &at, L"pending")) return;
  DeleteFileW(state);
  due_command = command;
}

void start_due_check() {
  const wchar_t* command = due_command;
  due_command = nullptr;
  wchar_t state[path_room], launcher[path_room];
  DWORD at = command ? state_folder(state, launcher) : 0;
  if (!at) return;
  state[at - 14] = 0;  // the launcher's folder, without tavrin-update\ .
  start_check(command, state);
}

void after_launcher_failure() {
  if (!update_hours()) return;
  wchar_t state[path_room], launcher[path_room], previous[path_room], failed[path_room];
  DWORD at = state_folder(state, launcher);
  if (!at) return;
  DWORD end = at, fail_end = at;
  for (DWORD i = 0; i <= at; ++i) previous[i] = failed[i] = state[i];
  if (!append(state, &at, L"pending") || !append(previous, &end, L"previous.tavrin") ||
      !append(failed, &fail_end, L"failed") || GetFileAttributesW(state) == INVALID_FILE_ATTRIBUTES)
    return;
  // NAME.exe's parameter file is NAME.tavrin: the extension after the name's last dot.
  DWORD dot = 0;
  while (launcher[dot]) ++dot;
  while (dot > 0 && launcher[dot - 1] != L'.' && launcher[dot - 1] != L'\\') --dot;
  if (dot == 0 || launcher[dot - 1] != L'.') return;
  launcher[--dot] = 0;
  if (!append(launcher, &dot, L".tavrin")) return;
  if (MoveFileExW(previous, launcher, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    MoveFileExW(state, failed, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
