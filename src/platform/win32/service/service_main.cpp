#include "platform/win32/service/service_main.h"

#include "launch/diagnostics.h"
#include "launch/format.h"
#include "launch/start_command.h"
#include "platform/win32/service/child_control.h"
#include "platform/win32/service/event_log.h"
#include "platform/win32/service/service_log.h"
#include "platform/win32/service/status.h"
#include "platform/win32/wide.h"
#include "tavrin_version.h"

namespace {

// Milliseconds: the start's estimate, a stop's between two reports, how often a stop is
// reported, and how long an ended child's remains get to go.
constexpr DWORD start_hint = 10000, stop_hint = 3000, report_every = 1000, end_wait = 5000;

HANDLE stop_requested = nullptr;
DWORD stop_control = 0;  // the control that asked for the stop, set before the event

// Runs on the dispatcher's thread, which must not block: the service's thread does the work.
DWORD WINAPI control(DWORD code, DWORD, void*, void*) {
  switch (code) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_PRESHUTDOWN:
    case SERVICE_CONTROL_SHUTDOWN:
      stop_control = code;
      SetEvent(stop_requested);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
  }
  return ERROR_CALL_NOT_IMPLEMENTED;
}

// The number as Windows shows an exit code, unsigned.
const char16_t* code_text(DWORD code, char16_t (&text)[11]) {
  char16_t* at = text + 10;
  *at = 0;
  do *--at = static_cast<char16_t>(u'0' + code % 10);
  while (code /= 10);
  return at;
}

// Asks the child to end as Ctrl+C does and gives it the stop timeout, reporting STOP_PENDING
// meanwhile; after it, ends the child and all it started.
void stop_child(const os::process& child, DWORD timeout) {
  report_status(SERVICE_STOP_PENDING, stop_hint);
  log_service_line(
      u"%s; sending Ctrl+C to process %d",
      stop_control == SERVICE_CONTROL_STOP ? u"Stop requested" : u"The system is shutting down",
      static_cast<int>(child.id));
  interrupt_child();
  for (DWORD waited = 0;;) {
    DWORD step = timeout - waited < report_every ? timeout - waited : report_every;
    if (WaitForSingleObject(child.handle, step) != WAIT_TIMEOUT) return;
    waited += step;
    if (waited >= timeout) break;
    report_status(SERVICE_STOP_PENDING, stop_hint);
  }
  log_service_line(u"Process %d did not end within %d s; ending it and every process it started",
                   static_cast<int>(child.id), static_cast<int>(timeout / 1000));
  end_child_tree(child);
  WaitForSingleObject(child.handle, end_wait);
}

// Waits until the child ends or the service is asked to stop, then until whatever the child
// left running has ended and its output has been logged. The service's exit code: the
// program's when it ended by itself, so that recovery actions can restart it; 0 after a stop
// that was asked for.
int run_child(const os::process& child, const service_settings& settings) {
  HANDLE either[] = {child.handle, stop_requested};
  WaitForMultipleObjects(2, either, FALSE, INFINITE);
  // Both may have come: a stop that was asked for is never a failure.
  bool asked = WaitForSingleObject(stop_requested, 0) == WAIT_OBJECT_0;
  if (asked) stop_child(child, settings.stop_timeout_ms);
  end_child_tree(child);
  wait_output_end(end_wait);
  DWORD code = 0;
  GetExitCodeProcess(child.handle, &code);
  char16_t text[11];
  log_service_line(u"Process %d ended with exit code %s", static_cast<int>(child.id),
                   code_text(code, text));
  return asked ? 0 : static_cast<int>(code);
}

}  // namespace

void WINAPI service_main(DWORD, wchar_t** argv) {
  stop_requested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!register_service(argv[0], control)) return;
  report_status(SERVICE_START_PENDING, start_hint);
  const char16_t* name = reinterpret_cast<const char16_t*>(argv[0]);

  // Without its own path the launcher's start fails, and says why, in the event log.
  char16_t launcher_path[path_capacity], stem[path_capacity];
  uint32_t length = os::module_path(launcher_path, path_capacity);
  service_settings settings{};
  if (length && length < path_capacity) {
    settings = read_settings(argv[0], launcher_path);
    // Time to end the program at shutdown as at a stop, and what follows the stop timeout.
    set_preshutdown_timeout(settings.stop_timeout_ms + 2 * end_wait);
    if (!open_service_log(settings, launcher_stem(launcher_path, stem))) {
      char16_t text[2048];
      format_into(text, 2048,
                  u"Cannot write the log '%.1000s':\n%.255s\nThe program's output is lost.",
                  service_log_path(), system_error_text(GetLastError()));
      write_event(EVENTLOG_WARNING_TYPE, text);
    }
  }
  log_service_line(u"Starting the service %s (tavrin " TAVRIN_VERSION ")", name);

  started_command run = start_command();
  if (os::environment(u"VERBOSE_TAVRIN")) log_service_line(u"Command: %s", run.command);
  log_service_line(u"Process %d started", static_cast<int>(run.child.id));
  os::release(run.command);
  report_status(SERVICE_RUNNING, 0);

  int exit_code = run_child(run.child, settings);
  stop_service(exit_code);
  exit_launcher(exit_code);
}
