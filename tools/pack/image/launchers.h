// The launchers of this release, embedded when tavrin-pack is built, so that the tool is
// one file and its launchers always match its version.
#pragma once

#include <string>

#include "runtime/architecture.h"

// tavrin.exe, or tavrin-console.exe, of the architecture.
std::string launcher_image(architecture arch, bool console);

// The update program, tavrin-update.exe, of the architecture.
std::string update_program_image(architecture arch);
