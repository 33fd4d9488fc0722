// Appends one argument in the notation Windows programs split their command line by, so
// that the child reads the word back unchanged.
#pragma once

#include "command/string_builder.h"

// 1 if some backslash in the word is followed by a double quote or ends the word.
int backslash_before_quote_or_end(const char16_t* word);

// Appends the word bare when that is safe, otherwise in double quotes with escapes. No
// separating space is written.
void append_quoted(string_builder* sb, const char16_t* word);
