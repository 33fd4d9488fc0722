// The launchers of this release, embedded when tavrin-pack is built, so that the tool is
// one file and its launchers always match its version.
#pragma once

#include <string>

enum class architecture { x64, x86 };

// tavrin.exe, or tavrin-console.exe, of the architecture.
std::string launcher_image(architecture arch, bool console);

// "x64" or "x86", as release folders and zip names spell it.
const char* architecture_name(architecture arch);
