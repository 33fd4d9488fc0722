// The files the command reads and writes, named in UTF-8, over the C runtime and the
// operating system rather than iostreams and std::filesystem, which would multiply the size
// of the static Windows build.
#pragma once

#include <string>

#include "bytes.h"

namespace brand {

// The bytes of the file; throws bad_input("NAME: cannot be read").
bytes read_file(const std::string& name);

// Writes data to a temporary file beside name, then renames it into place, so that name is
// written whole or left as it was; throws bad_input("NAME: cannot be written").
void write_file(const std::string& name, const bytes& data);

// Whether both names reach one existing file (hard links and other spellings included).
bool same_file(const std::string& a, const std::string& b);

// The last component of a path: its file name.
std::string base_name(const std::string& path);

}  // namespace brand
