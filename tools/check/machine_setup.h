// Loads the simulated machine for a check: the launcher at its Windows path, the local
// app folder under the launcher's Windows folder, the target's environment and the
// user's command line.
#pragma once

#include <filesystem>
#include <string>

#include "options.h"

// Adds every file and directory below the local folder at the same place below the
// Windows folder. Only names are loaded: a file's bytes are read when it is opened. False
// when the folder cannot be walked.
bool load_folder(const std::filesystem::path& folder, const std::u16string& windows_folder);

// False with *problem set (one line) when the options name no usable folder or path.
bool load_machine(const check_options& options, std::string* problem);
