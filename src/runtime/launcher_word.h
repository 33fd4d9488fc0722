// Turns the launcher word of the parameter file into the program of the child command:
// an existing file (relative to the launcher directory), or else the installed runtime
// found in the registry within the word's version range, 1.5.0-1.7.0 by default.
#pragma once

#include "command/string_builder.h"

// Appends the quoted launcher program. The word is cut in place at its bracket part.
// Every failure is fatal.
void append_launcher(string_builder* sb, char16_t* word, const char16_t* launcher_path);
