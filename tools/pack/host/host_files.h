// Files and folders on the host, where pack builds the image: whole-file reads and writes,
// copies, and the temporary folder that becomes the output by one rename. Each throws a
// refusal naming the path when the system refuses.
#pragma once

#include <filesystem>
#include <string>

#include "host/windows_names.h"

namespace fs = std::filesystem;

std::string read_host_file(const fs::path& path);

// Writes the bytes to a new file, executable when asked, as a linker's output is.
void write_host_file(const fs::path& path, const std::string& bytes, bool executable = false);

// Copies a folder's contents into a new folder, recursively: a link as its target's content
// (a link to a folder as a folder), each name added to tree, which checks it as Windows will
// hold it. Refuses a dangling link, a link to a folder that holds it, and what is neither
// file nor folder, naming it after tree->what.
void copy_folder(const fs::path& from, const fs::path& to, windows_tree* tree);

// A new empty folder in parent, named after stem, that no other run uses.
fs::path make_temporary_folder(const fs::path& parent, const std::string& stem);

// Renames from to to, which must not exist: an existing file or folder is never replaced.
void move_into_place(const fs::path& from, const fs::path& to);
