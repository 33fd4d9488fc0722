// The launchers of this release, embedded when tavrin-pack is built, so that the tool is
// one file and its launchers always match its version.
#pragma once

#include <string>

#include "runtime/architecture.h"

// The launcher an app's launcher is a copy of.
enum class twin { windowed, console, service };

// Its name in the release: tavrin.exe, tavrin-console.exe or tavrin-service.exe.
const char* twin_file(twin t);

// Its bytes for the architecture.
std::string launcher_image(architecture arch, twin t);

// The update program, tavrin-update.exe, of the architecture.
std::string update_program_image(architecture arch);
