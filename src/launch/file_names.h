// File-name rules: sibling names, absolute versus relative paths, resolution against
// the launcher directory, and existence. A relative name always means a file beside the
// launcher, never one in the current directory.
#pragma once

#include <cstddef>

// A path buffer holds at most 1023 characters and a terminator.
constexpr size_t path_capacity = 1024;

// Replaces the extension of path by extension (with its dot), or appends it. Returns 0
// when the result would exceed 1023 characters; out then holds the path, cut to fit.
int replace_extension(const char16_t* path, const char16_t* extension, char16_t* out);

// 1 for a drive path (letter, colon, backslash) or a network path (two backslashes and
// a letter); 0 otherwise.
int is_absolute_path(const char16_t* path);

// The path itself when absolute, else the launcher directory followed by the path.
// Returns 0 when the launcher path holds no backslash or the result would exceed 1023
// characters; out is then no result.
int resolve_from_launcher(const char16_t* path, const char16_t* launcher_path, char16_t* out);

// 1 when the path names an existing file or directory.
int file_exists(const char16_t* path);
