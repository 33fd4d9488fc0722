// The app's files as the simulated machine holds them, by Windows path: a file's bytes
// (held in memory, or read from the local file it stands for), directories, and the names
// as stored, in their own case.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class file_read { ok, missing, too_large, unreadable };

// The bytes of a file, when it has at most limit of them.
file_read read_app_file(const std::u16string& path, uint64_t limit, std::string* bytes);

// The first count bytes of a file, or all of a shorter one.
file_read read_app_file_head(const std::u16string& path, size_t count, std::string* bytes);

bool is_app_directory(const std::u16string& path);

// The full name under which the machine holds a file (its case as stored), or empty when
// no file has that name.
std::u16string stored_file_name(const std::u16string& path);

// The stored names of every file below a directory.
std::vector<std::u16string> files_below(const std::u16string& directory);
