// What installs the main launcher, tavrin-service.exe under the app's name, as a Windows
// service: wixl's ServiceInstall and ServiceControl in the exe's component, and the recovery
// actions, which wixl has no element for, as rows that libmsi adds after it.
#pragma once

#include <string>
#include <vector>

#include "msi/msi_rows.h"

// The elements for the component of NAME.exe, whose File has the Id file_id: the service
// NAME, own process, started automatically as LocalSystem; started at install, stopped
// before an install replaces files (an upgrade's, a repair's) and at uninstall, removed at
// uninstall; and NAME as an event source of the Application log whose messages are the exe's.
std::string service_elements(const std::string& name, const std::string& file_id);

// The rows that add the recovery actions: after a failure, restart after 10 s, 10 s, then
// 60 s, the count reset after a day, and an exit code other than 0 counted as a failure. sc.exe
// sets them, from the system folder of the package's architecture, as deferred custom actions
// between InstallServices and StartServices, whose failure the install ignores:
// Windows Installer's own MsiServiceConfigFailureActions table does not work as documented.
std::vector<msi_row> service_recovery_rows(bool x64);
