// Reads the parameter file and converts it from UTF-8 (a leading byte-order mark is
// skipped). Every problem with the file is fatal.
#pragma once

// Returns the file's text, newly allocated, null-terminated; the caller releases it.
char16_t* load_parameter_file(const char16_t* file_name);
