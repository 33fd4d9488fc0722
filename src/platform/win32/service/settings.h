// The settings only a service has, where Windows keeps a service's settings: values under
// HKLM\SYSTEM\CurrentControlSet\Services\NAME\Parameters, which sc, reg and an installer write.
#pragma once

#include <windows.h>

#include "launch/file_names.h"

struct service_settings {
  DWORD stop_timeout_ms;              // StopTimeoutSeconds: Ctrl+C's grace, default 20 s
  unsigned long long log_limit;       // LogSizeKB: the size that rotates the log, 0 never
  DWORD log_files;                    // LogFiles: the rotated logs kept, default 5
  wchar_t log_folder[path_capacity];  // LogFolder, relative to the launcher's folder
};

// The settings of the service named name, each value that is absent or of another type its
// default: 20 s, 10,240 KB, 5 files, the launcher's folder. The log folder is
// launcher_path's folder too when the value's path does not fit.
service_settings read_settings(const wchar_t* name, const char16_t* launcher_path);
