// printf-style formatting over UTF-16: %s (a wide text), %.Ns (at most N of its
// characters), %d (a signed 32-bit integer) and %% (a percent sign).
#pragma once

#include <cstdarg>
#include <cstddef>

// Receives formatted text piece by piece.
struct text_sink {
  void (*put)(text_sink* sink, const char16_t* text, size_t count);
};

// Formats into the sink.
void format_to(text_sink* sink, const char16_t* format, va_list args);

// Formats into buf, cut to capacity - 1 characters; always terminated. Returns the length.
size_t vformat_into(char16_t* buf, size_t capacity, const char16_t* format, va_list args);
size_t format_into(char16_t* buf, size_t capacity, const char16_t* format, ...);
