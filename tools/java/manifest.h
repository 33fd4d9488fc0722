// A jar manifest's Class-Path and Main-Class attributes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The URLs of the main section's Class-Path, in order, as written. Lines end in CR LF, LF
// or CR; a line starting with a space continues the one before it.
std::vector<std::string> manifest_class_path(std::string_view manifest);

// The main section's Main-Class, without the spaces around it; empty when there is none.
std::string manifest_main_class(std::string_view manifest);
