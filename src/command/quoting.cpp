#include "command/quoting.h"

#include "launch/wide_text.h"

int backslash_before_quote_or_end(const char16_t* word) {
  for (const char16_t* p = word; *p; ++p) {
    if (*p == u'\\' && (p[1] == u'"' || p[1] == 0)) return 1;
  }
  return 0;
}

namespace {

// Windows programs split at tabs as well as at spaces, so both force quoting.
bool needs_quotes(const char16_t* word) {
  if (!*word) return true;
  for (const char16_t* p = word; *p; ++p) {
    if (*p == u' ' || *p == u'\t' || *p == u'"') return true;
  }
  return backslash_before_quote_or_end(word) != 0;
}

}  // namespace

void append_quoted(string_builder* sb, const char16_t* word) {
  if (!needs_quotes(word)) {
    sb_append(sb, word, text_length(word));
    return;
  }
  sb_append_char(sb, u'"');
  const char16_t* p = word;
  while (*p) {
    if (*p == u'\\') {
      const char16_t* run = p;
      while (*p == u'\\') ++p;
      size_t n = static_cast<size_t>(p - run);
      // Backslashes escape only before a quote: double the run there and at the end,
      // where the closing quote follows.
      sb_append(sb, run, n);
      if (*p == u'"' || *p == 0) sb_append(sb, run, n);
    } else if (*p == u'"') {
      sb_append(sb, u"\\\"", 2);
      ++p;
    } else {
      const char16_t* plain = p;
      while (*p && *p != u'\\' && *p != u'"') ++p;
      sb_append(sb, plain, static_cast<size_t>(p - plain));
    }
  }
  sb_append_char(sb, u'"');
}
