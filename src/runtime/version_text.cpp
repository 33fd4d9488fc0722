#include "runtime/version_text.h"

namespace {

// White space as the C library's wide classification sees it in the "C" locale.
bool is_white(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

}  // namespace

scanned_fields scan_fields(const char16_t* text, const char16_t* format) {
  scanned_fields result{0, false, {}};
  const char16_t* p = text;
  for (const char16_t* f = format; *f && result.count < 8; ++f) {
    if (*f != u'%') {
      if (*p != *f) break;
      ++p;
      continue;
    }
    ++f;
    if (*f == u'c') {
      if (!*p) break;
      result.values[result.count++] = *p++;
      continue;
    }
    while (is_white(*p)) ++p;
    const char16_t* q = p;
    bool negative = *q == u'-';
    if (*q == u'-' || *q == u'+') ++q;
    if (*q < u'0' || *q > u'9') break;
    // Accumulated with a ceiling so that long digit runs are read to their end without
    // overflow; the sign is applied after.
    uint64_t magnitude = 0;
    for (; *q >= u'0' && *q <= u'9'; ++q) {
      if (magnitude <= 0x80000000u) magnitude = magnitude * 10 + static_cast<uint64_t>(*q - u'0');
    }
    if (magnitude > (negative ? 0x80000000u : 0x7FFFFFFFu)) {
      result.overflow = true;
      magnitude = 0;
    }
    result.values[result.count++] = static_cast<int32_t>(
        negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude));
    p = q;
  }
  return result;
}
