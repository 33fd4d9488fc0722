#include "platform/win32/service/settings.h"

#include "launch/format.h"
#include "launch/wide_text.h"

namespace {

constexpr DWORD max_stop_timeout_s = 24 * 60 * 60;

struct parameters {
  wchar_t key[300];  // a service name has at most 256 characters
};

DWORD read_number(const parameters& p, const wchar_t* value, DWORD fallback) {
  DWORD number = 0, size = sizeof number;
  return RegGetValueW(HKEY_LOCAL_MACHINE, p.key, value, RRF_RT_REG_DWORD, nullptr, &number,
                      &size) == ERROR_SUCCESS
             ? number
             : fallback;
}

}  // namespace

service_settings read_settings(const wchar_t* name, const char16_t* launcher_path) {
  parameters p;
  format_into(reinterpret_cast<char16_t*>(p.key), sizeof p.key / sizeof *p.key,
              u"SYSTEM\\CurrentControlSet\\Services\\%.256s\\Parameters",
              reinterpret_cast<const char16_t*>(name));
  service_settings s;
  DWORD stop_s = read_number(p, L"StopTimeoutSeconds", 20);
  s.stop_timeout_ms = (stop_s < max_stop_timeout_s ? stop_s : max_stop_timeout_s) * 1000;
  s.log_limit = read_number(p, L"LogSizeKB", 10240) * 1024ull;
  s.log_files = read_number(p, L"LogFiles", 5);
  if (s.log_files > 999) s.log_files = 999;

  // RegGetValueW expands a REG_EXPAND_SZ value, and always terminates what it returns.
  char16_t* folder = reinterpret_cast<char16_t*>(s.log_folder);
  wchar_t given[path_capacity];
  DWORD size = sizeof given;
  bool read = RegGetValueW(HKEY_LOCAL_MACHINE, p.key, L"LogFolder", RRF_RT_REG_SZ, nullptr, given,
                           &size) == ERROR_SUCCESS &&
              given[0];
  if (!read || !resolve_from_launcher(reinterpret_cast<char16_t*>(given), launcher_path, folder)) {
    resolve_from_launcher(u"", launcher_path, folder);
  }
  // Without its last backslash, as the log's name follows one.
  size_t length = text_length(folder);
  while (length > 3 && folder[length - 1] == u'\\') folder[--length] = 0;
  return s;
}
