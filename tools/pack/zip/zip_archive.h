// Zip archives on the host through Debian's minizip: a vendor's JDK or runtime zip read,
// and the app's zip written with reproducible bytes. Each throws a refusal naming the zip.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "host/windows_names.h"

namespace fs = std::filesystem;

// The names of the zip's entries, in the order it stores them.
std::vector<std::string> zip_names(const fs::path& zip);

// Writes each file entry for which place gives a relative path (empty: skipped) to that
// path below folder, each added to tree as Windows will hold it. Refuses a name with a
// backslash (zips separate folders with '/' alone), a symbolic link (which would become a
// file holding the link's text), and a path that would leave the folder.
void extract_zip(const fs::path& zip, const fs::path& folder,
                 const std::function<std::string(const std::string&)>& place, windows_tree* tree);

// Writes a new zip of every file below folder, named top/ and its path with '/' (flagged as
// UTF-8 where not ASCII), in byte order of the names, deflated and read a piece at a time,
// zip64 where a size or offset needs it, each stamped with the UTC time epoch (from 1980 on,
// in two-second steps) and Unix permissions 0755 for .exe and .dll files, 0644 for others.
void write_zip(const fs::path& folder, const std::string& top, const fs::path& zip, int64_t epoch);
