// A Windows Java runtime as the image holds it in runtime\: given ready made (a folder, or
// a vendor's zip), or linked by jlink; either must hold what the launcher starts.
#pragma once

#include <filesystem>
#include <string>

#include "image/launchers.h"

namespace fs = std::filesystem;

// Refuses a runtime without its program (bin\javaw.exe, or bin\java.exe for a console app)
// or its JVM (bin\server\jvm.dll, or bin\client\jvm.dll); what names the runtime.
void require_windows_runtime(const fs::path& runtime, bool console, const std::string& what);

// Copies a runtime folder or zip (its one top folder left out) to `to`, as it is, and
// returns the architecture of its bin\java.exe; refuses what is not a Windows runtime of
// an architecture a launcher serves.
architecture copy_runtime_image(const fs::path& from, const fs::path& to);
