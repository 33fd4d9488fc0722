// Small operations on null-terminated UTF-16 texts, compared by code unit.
#pragma once

#include <cstddef>

// Number of characters before the terminator.
inline size_t text_length(const char16_t* text) {
  const char16_t* end = text;
  while (*end) ++end;
  return static_cast<size_t>(end - text);
}

// First occurrence of c in text, or null.
inline const char16_t* find_char(const char16_t* text, char16_t c) {
  for (; *text; ++text) {
    if (*text == c) return text;
  }
  return nullptr;
}

// Last occurrence of c in text, or null.
inline const char16_t* find_last_char(const char16_t* text, char16_t c) {
  const char16_t* found = nullptr;
  for (; *text; ++text) {
    if (*text == c) found = text;
  }
  return found;
}

// First occurrence of the text part in text, or null.
inline const char16_t* find_text(const char16_t* text, const char16_t* part) {
  for (; *text; ++text) {
    size_t i = 0;
    while (part[i] && text[i] == part[i]) ++i;
    if (!part[i]) return text;
  }
  return *part ? nullptr : text;
}

// True when the two texts are equal, unit by unit.
inline bool text_equals(const char16_t* a, const char16_t* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

// True when c is a line feed without a carriage return before it, which a CR LF writer
// must add; previous is the unit written before c (0 at the start), so that a text may
// arrive in pieces. A system text that already ends in CR LF thus keeps its one CR.
inline bool lacks_carriage_return(char16_t previous, char16_t c) {
  return c == u'\n' && previous != u'\r';
}
