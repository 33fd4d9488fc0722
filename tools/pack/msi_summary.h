// The summary of an installer that wixl wrote, made reproducible through libmsi. libmsi is
// loaded when the first installer is written, so that pack needs it (Debian's libmsi0, which
// wixl brings) only for installers.
#pragma once

#include <cstdint>
#include <filesystem>

// Sets the creation and save times to epoch (Unix time, not before 1601) and the package code to a
// name-based UUID of the package's bytes with that code zeroed. Throws a refusal when libmsi
// cannot be loaded or fails.
void settle_summary(const std::filesystem::path& msi, int64_t epoch);
