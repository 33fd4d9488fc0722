// Started by hand, the service twin only says what it is: a double-click shows nothing, as
// the program has no window, so the message also goes to the log its service would write.
#include "launch/diagnostics.h"
#include "launch/format.h"
#include "launch/wide_text.h"
#include "platform/os.h"
#include "platform/win32/service/service_log.h"
#include "platform/win32/service/service_main.h"
#include "platform/win32/text_output.h"
#include "platform/win32/wide.h"

namespace {

// Standard error when the starting program gave one; else the console of the program that
// started this one (a command prompt), when it has one.
HANDLE error_output() {
  HANDLE given = GetStdHandle(STD_ERROR_HANDLE);
  if (given && given != INVALID_HANDLE_VALUE) return given;
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return nullptr;
  return CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                     nullptr);
}

}  // namespace

void run_by_hand(DWORD error) {
  char16_t path[path_capacity], stem[path_capacity], text[4096];
  uint32_t length = os::module_path(path, path_capacity);
  if (!length || length >= path_capacity) exit_launcher(2);
  launcher_stem(path, stem);
  if (error == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
    // sc's binPath is a command line: a path with a space needs quotes of its own.
    bool spaced = find_char(path, u' ') != nullptr;
    format_into(text, 4096,
                u"%s runs as a Windows service, which the service manager starts.\n"
                u"Install it as the service %s, then start it:\n"
                u"  sc create %s binPath= \"%s%s%s\" start= auto\n  net start %s",
                path, stem, stem, spaced ? u"\\\"" : u"", path, spaced ? u"\\\"" : u"", stem);
  } else {
    format_into(text, 4096, u"Cannot start the service %s:\n%.255s", stem,
                system_error_text(error));
  }
  HANDLE output = error_output();
  if (output && output != INVALID_HANDLE_VALUE) write_text_line(output, text);
  service_settings settings = read_settings(wide(stem), path);
  if (open_service_log(settings, stem)) {
    log_service_line(u"%s", text);
    close_service_log();
  }
  exit_launcher(2);
}
