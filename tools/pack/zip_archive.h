// Zip archives on the host through Debian's minizip: a vendor's JDK or runtime zip read,
// and the app's zip written with reproducible bytes. Each throws a refusal naming the zip.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// The names of the zip's entries, in the order it stores them.
std::vector<std::string> zip_names(const fs::path& zip);

// Writes each file entry for which place gives a relative path (empty: skipped) to that
// path below folder. A path that would leave the folder is refused.
void extract_zip(const fs::path& zip, const fs::path& folder,
                 const std::function<std::string(const std::string&)>& place);

// Writes a new zip of every file below folder, named top/ and its path with '/', in byte
// order of the names, deflated, each stamped with the UTC time epoch (from 1980 on, in
// two-second steps) and Unix permissions 0755 for .exe and .dll files, 0644 for others.
void write_zip(const fs::path& folder, const std::string& top, const fs::path& zip, int64_t epoch);
