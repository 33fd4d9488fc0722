// The Application event log, where an administrator looks when a service fails.
#pragma once

#include <windows.h>

// Writes the text as one event of the type (EVENTLOG_ERROR_TYPE, EVENTLOG_WARNING_TYPE) with
// the service's name as its source. The service's own message table gives event 1 as the
// text alone, once the source is registered with the exe as its EventMessageFile.
void write_event(WORD type, const char16_t* text);
