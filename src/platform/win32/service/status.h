// The service's state, as it reports it to the service manager.
#pragma once

#include <windows.h>

// Registers the control handler for the service the manager started under name; false when
// the manager refuses it.
bool register_service(const wchar_t* name, LPHANDLER_FUNCTION_EX handler);

// The name the service was started under; null before register_service.
const wchar_t* service_name();

// Asks Windows to wait up to ms for the service's pre-shutdown stop, which it cuts short
// after 10 s by default (Windows 10 1703 and later). Needs the right to change the service's
// configuration, which LocalSystem has; without it, nothing changes.
void set_preshutdown_timeout(DWORD ms);

// Reports state: a pending one with the wait hint and a checkpoint that grows with each
// report; RUNNING taking stop, pre-shutdown and shutdown, which no other state takes.
void report_status(DWORD state, DWORD wait_hint);

// The service's end: its last line logged, the log closed, and STOPPED reported, exit code 0
// as success, any other as ERROR_SERVICE_SPECIFIC_ERROR with it as the service exit code.
// Nothing may follow but ending the process.
void stop_service(int exit_code);
