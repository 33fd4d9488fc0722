#include "platform/win32/service/event_log.h"

#include "platform/win32/service/status.h"
#include "platform/win32/wide.h"

void write_event(WORD type, const char16_t* text) {
  HANDLE source = RegisterEventSourceW(nullptr, service_name());
  if (!source) return;
  const wchar_t* strings[] = {wide(text)};
  ReportEventW(source, type, 0, 1, nullptr, 1, 0, strings, nullptr);
  DeregisterEventSource(source);
}
