// Splits a command line or a parameter file's text into words: whitespace separates,
// double quotes group, backslashes escape a following quote by counting, and a number
// sign where a word could begin starts a comment to the end of the line.
#pragma once

#include <cstdint>

// Hands back the word count and one block: a null-terminated array of pointers to the
// words, then the words. The block always has room for two pointers; it is released with
// one release. The text may be released as soon as this returns.
void split_words(const char16_t* text, int32_t* count, char16_t*** words);
