// What Windows' Smart App Control blocks in an app image: programs and DLLs (any PE file,
// whatever its name) without a valid signature, scripts, and the native libraries that
// jars carry to extract and load.
#pragma once

#include <string>

// For a launcher folder that holds runtime\ (an image as tavrin-pack or jpackage lays it
// out) or runtime-HASH\ (a self-updating app's), one "note: " line for each such file below it,
// by name: a PE file unsigned or whose signature is invalid, a script (.ps1, .bat, .cmd, .vbs,
// .js) without a signature, a PE file without a valid signature inside a jar; empty for any
// other folder.
std::string unsigned_file_notes(const std::u16string& launcher_folder);
