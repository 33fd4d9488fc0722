// A growable UTF-16 text into which the child command line is assembled. It holds no
// terminator; sb_copy and sb_take hand out terminated strings.
#pragma once

#include <cstddef>
#include <cstdint>

struct string_builder {
  char16_t* text;    // null while nothing is allocated
  int32_t length;    // characters in use
  int32_t capacity;  // characters the storage holds
};

// Empties the builder without allocating.
void sb_init(string_builder* sb);

// Appends count characters, growing to at least twice the capacity (256 at first).
void sb_append(string_builder* sb, const char16_t* chars, size_t count);

void sb_append_char(string_builder* sb, char16_t c);

// A new terminated copy of the content; the caller releases it.
char16_t* sb_copy(const string_builder* sb);

// sb_copy, then sb_release.
char16_t* sb_take(string_builder* sb);

// Releases the storage and empties the builder.
void sb_release(string_builder* sb);
