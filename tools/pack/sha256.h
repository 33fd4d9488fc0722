// The SHA-256 of a file, by Debian's nettle.
#pragma once

#include <filesystem>
#include <string>

// In lower-case hex, as sha256sum prints it; throws a refusal when it cannot be read.
std::string sha256_hex(const std::filesystem::path& file);
