// Expands %NAME% references in a word from the environment, with optional defaults:
// NAME|=TEXT (literal) and NAME|@PATH (resolved against the launcher directory). %%
// stands for one percent sign.
#pragma once

#include "command/string_builder.h"

// Appends the expanded word as one quoted argument.
void append_expanded(string_builder* sb, const char16_t* word, const char16_t* launcher_path);

// The value for one reference text, or null when the variable is undefined and has no
// default. The text is cut in place at its default marker. The value is valid until the
// next lookup.
const char16_t* lookup_variable(char16_t* reference, const char16_t* launcher_path);
