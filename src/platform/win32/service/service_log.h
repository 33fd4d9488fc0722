// The service's log: NAME.log in the log folder, where the program's output and the
// service's own lines are appended as they come, rotated by size: once it reaches the
// limit it becomes NAME.1.log, NAME.1.log becomes NAME.2.log, and so on up to the number
// of old logs kept, the oldest dropped. Safe to use from any thread.
#pragma once

#include <windows.h>

#include "platform/win32/service/settings.h"

// The launcher's name without its folder and extension, written into stem, which holds
// path_capacity units; returns stem.
const char16_t* launcher_stem(const char16_t* launcher_path, char16_t* stem);

// Opens, or creates with its folders, the log of the launcher named stem; settings and stem
// must last as long as the log. False when it cannot be written, with the last error set;
// every write then does nothing.
bool open_service_log(const service_settings& settings, const char16_t* stem);

// The log file's full path, once open_service_log has been called.
const char16_t* service_log_path();

// One line of the service's own, printf-style as the launcher's messages, after the local
// time and "[tavrin]", on a line of its own even when the program's output ended mid-line.
void log_service_line(const char16_t* format, ...);

// Bytes of the program's output, as they are.
void log_program_output(const char* bytes, DWORD size);

void close_service_log();
