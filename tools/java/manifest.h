// A jar manifest's Class-Path attribute.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The URLs of the main section's Class-Path, in order, as written. Lines end in CR LF, LF
// or CR; a line starting with a space continues the one before it.
std::vector<std::string> manifest_class_path(std::string_view manifest);
