// SHA-256 by Debian's nettle.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Of text, then of each file's bytes in turn (read a piece at a time), in lower-case hex as
// sha256sum prints it; throws a refusal when a file cannot be read.
std::string sha256_hex(const std::string& text, const std::vector<std::filesystem::path>& files);
