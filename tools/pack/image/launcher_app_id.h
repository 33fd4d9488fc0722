// The AppUserModelID that a launcher of a given image carries in its string table.
#pragma once

#include <filesystem>
#include <string>

// The launcher's ID (UTF-8), signed or not; empty when it has none or is no launcher that
// can be read so.
std::string launcher_app_id(const std::filesystem::path& exe);
