// A service has no desktop to show a box on: an error of the launcher goes to the service's
// log and to the event log, and stops the service with service exit code 2, as every error
// the launcher reports ends it with exit code 2.
#include "platform/os.h"
#include "platform/win32/service/event_log.h"
#include "platform/win32/service/service_log.h"
#include "platform/win32/service/status.h"

namespace os {

void report_error(const char16_t* text, const char16_t*, uint32_t) {
  log_service_line(u"%s", text);
  write_event(EVENTLOG_ERROR_TYPE, text);
  stop_service(2);
}

}  // namespace os
