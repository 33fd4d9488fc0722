#include "input/split_words.h"

#include <cstddef>

#include "launch/diagnostics.h"

namespace {

enum scanner_state { between_words, in_word, in_quotes, in_comment };

inline bool is_space(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

struct scanner {
  char16_t** slots;
  char16_t* word_start;
  char16_t* end;
  int32_t count;
};

void end_word(scanner* s) {
  *s->end++ = 0;
  s->slots[s->count++] = s->word_start;
  s->word_start = s->end;
}

// Stores a run of backslashes by the counting rule and returns the position to go on at.
const char16_t* backslash_run(scanner* s, const char16_t* p) {
  const char16_t* run = p;
  while (*p == u'\\') ++p;
  size_t n = static_cast<size_t>(p - run);
  if (*p != u'"') {
    for (size_t i = 0; i < n; ++i) *s->end++ = u'\\';
    return p;
  }
  for (size_t i = 0; i < n / 2; ++i) *s->end++ = u'\\';
  if (n % 2 == 0) return p;  // The quote is still to be handled by the state.
  *s->end++ = u'"';
  return p + 1;
}

}  // namespace

void split_words(const char16_t* text, int32_t* count, char16_t*** words) {
  // Every word but the last is followed by a whitespace run of its own, so runs + 2
  // pointer slots always suffice, and no character stores more than one unit.
  uint64_t runs = 0;
  const char16_t* p = text;
  for (bool in_run = false; *p; ++p) {
    bool space = is_space(*p);
    if (space && !in_run) ++runs;
    in_run = space;
  }
  uint64_t slots = runs + 2;
  uint64_t length = static_cast<uint64_t>(p - text);
  size_t pointer_bytes = byte_count(slots, sizeof(char16_t*));
  size_t char_bytes = byte_count(length + slots, sizeof(char16_t));
  size_t total = pointer_bytes > SIZE_MAX - char_bytes ? SIZE_MAX : pointer_bytes + char_bytes;
  char16_t** block = static_cast<char16_t**>(alloc_or_exit(nullptr, total));

  scanner s{block, reinterpret_cast<char16_t*>(block + slots), nullptr, 0};
  s.end = s.word_start;
  scanner_state state = between_words;
  p = text;
  while (*p) {
    char16_t c = *p;
    switch (state) {
      case between_words:
        if (c == u'#') {
          state = in_comment;
        } else if (c == u'"') {
          state = in_quotes;
        } else if (c == u'\\') {
          state = in_word;
          p = backslash_run(&s, p);
          continue;
        } else if (!is_space(c)) {
          *s.end++ = c;
          state = in_word;
        }
        break;
      case in_word:
        if (is_space(c)) {
          end_word(&s);
          state = between_words;
        } else if (c == u'\\') {
          p = backslash_run(&s, p);
          continue;
        } else if (c == u'"') {
          state = in_quotes;
        } else {
          *s.end++ = c;
        }
        break;
      case in_quotes:
        if (c == u'"') {
          if (is_space(p[1])) {
            end_word(&s);
            state = between_words;
          } else {
            state = in_word;
          }
        } else if (c == u'\\') {
          p = backslash_run(&s, p);
          continue;
        } else {
          *s.end++ = c;
        }
        break;
      case in_comment:
        if (c == u'\r' || c == u'\n') state = between_words;
        break;
    }
    ++p;
  }
  if (s.end > s.word_start) end_word(&s);
  block[s.count] = nullptr;
  *count = s.count;
  *words = block;
}
