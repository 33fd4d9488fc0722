// Reading numbers from text by the scanf conventions: "%d" skips leading white space and
// takes an optionally signed decimal number; "%c" takes the very next character; any
// other format character must match literally.
#pragma once

#include <cstdint>

struct scanned_fields {
  int count;          // fields stored before the first mismatch or the end of the text
  bool overflow;      // some stored number did not fit 32 bits
  int32_t values[8];  // the fields in order; a %c field holds the character
};

// Reads text by a format made of %d, %c and literal characters (at most 8 fields).
scanned_fields scan_fields(const char16_t* text, const char16_t* format);
