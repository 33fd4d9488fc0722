// tavrin-check's own code run on the image pack wrote, as the launcher would run from the
// image's folder.
#pragma once

#include <filesystem>

#include "outcome.h"

// The check's outcome for the parameter file, with the launcher at C:\App\<stem>.exe.
check_outcome check_image(const std::filesystem::path& parameter_file);
