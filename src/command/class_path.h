// Renders the class path: entries separated by ';', relative ones resolved against the
// launcher directory, those that name nothing on disk dropped, the rest joined and
// enclosed in one pair of double quotes.
#pragma once

#include "command/string_builder.h"

void append_class_path(string_builder* sb, const char16_t* class_path,
                       const char16_t* launcher_path);

// Appends one entry (after a ';' unless it is the first kept) if it exists. Returns 1 when
// the entry was kept.
int append_class_path_entry(string_builder* sb, const char16_t* entry, int first_kept,
                            const char16_t* launcher_path);
