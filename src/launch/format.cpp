#include "launch/format.h"

#include <cstdint>

namespace {

void put_decimal(text_sink* sink, int value) {
  char16_t digits[12];
  size_t pos = sizeof digits / sizeof digits[0];
  // Work on the magnitude as unsigned so that INT_MIN has no overflow.
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  do {
    digits[--pos] = static_cast<char16_t>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  if (value < 0) digits[--pos] = u'-';
  sink->put(sink, digits + pos, sizeof digits / sizeof digits[0] - pos);
}

void put_text(text_sink* sink, const char16_t* text, size_t precision) {
  if (!text) text = u"(null)";
  size_t n = 0;
  while (n < precision && text[n]) ++n;
  sink->put(sink, text, n);
}

struct buffer_sink {
  text_sink base;
  char16_t* buf;
  size_t capacity;
  size_t length;
};

void put_into_buffer(text_sink* sink, const char16_t* text, size_t count) {
  buffer_sink* b = reinterpret_cast<buffer_sink*>(sink);
  size_t room = b->capacity - 1 - b->length;
  if (count > room) count = room;
  for (size_t i = 0; i < count; ++i) b->buf[b->length + i] = text[i];
  b->length += count;
}

}  // namespace

void format_to(text_sink* sink, const char16_t* format, va_list args) {
  const char16_t* literal = format;
  for (const char16_t* p = format; *p; ++p) {
    if (*p != u'%') continue;
    if (p > literal) sink->put(sink, literal, static_cast<size_t>(p - literal));
    const char16_t* spec = p + 1;
    size_t precision = SIZE_MAX;
    if (*spec == u'.') {
      precision = 0;
      for (++spec; *spec >= u'0' && *spec <= u'9'; ++spec) {
        precision = precision * 10 + static_cast<size_t>(*spec - u'0');
      }
    }
    switch (*spec) {
      case u's':
        put_text(sink, va_arg(args, const char16_t*), precision);
        break;
      case u'd':
        put_decimal(sink, va_arg(args, int));
        break;
      case u'%':
        sink->put(sink, spec, 1);
        break;
      default:  // Not a conversion: shown as written.
        sink->put(sink, p, static_cast<size_t>(spec - p) + (*spec ? 1 : 0));
        break;
    }
    if (!*spec) return;
    p = spec;
    literal = p + 1;
  }
  const char16_t* end = literal;
  while (*end) ++end;
  if (end > literal) sink->put(sink, literal, static_cast<size_t>(end - literal));
}

size_t vformat_into(char16_t* buf, size_t capacity, const char16_t* format, va_list args) {
  buffer_sink sink{{put_into_buffer}, buf, capacity, 0};
  format_to(&sink.base, format, args);
  buf[sink.length] = 0;
  return sink.length;
}

size_t format_into(char16_t* buf, size_t capacity, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  size_t length = vformat_into(buf, capacity, format, args);
  va_end(args);
  return length;
}
