// The text of a file that an option names (@FILE, a properties file), read whole.
#pragma once

#include <string>

// False when path cannot be read as a file: missing, unreadable, or a folder.
bool read_option_file(const std::string& path, std::string* text);
