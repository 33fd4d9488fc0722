// The programs and DLLs of an app image that carry no signature, which Windows' Smart App
// Control blocks from running or loading.
#pragma once

#include <string>

// For a launcher folder that holds runtime\ (an image as tavrin-pack or jpackage lays it
// out) or runtime-HASH\ (a self-updating app's), one "note: " line for each .exe and .dll below it, by name, that is a PE file
// without an Authenticode signature; empty for any other folder.
std::string unsigned_file_notes(const std::u16string& launcher_folder);
