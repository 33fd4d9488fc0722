#include "command/string_builder.h"

#include "launch/diagnostics.h"
#include "platform/os.h"

void sb_init(string_builder* sb) {
  sb->text = nullptr;
  sb->length = 0;
  sb->capacity = 0;
}

void sb_append(string_builder* sb, const char16_t* chars, size_t count) {
  uint64_t required = static_cast<uint64_t>(sb->length) + count;
  if (required > static_cast<uint64_t>(sb->capacity)) {
    // Lengths are 32-bit; a text that would outgrow them is treated as exhausted memory.
    if (required > INT32_MAX) fatal_error(u"Out of memory");
    uint64_t capacity = 2 * static_cast<uint64_t>(sb->capacity > 128 ? sb->capacity : 128);
    if (required > capacity) capacity = required;
    if (capacity > INT32_MAX) capacity = INT32_MAX;
    sb->text =
        static_cast<char16_t*>(alloc_or_exit(sb->text, byte_count(capacity, sizeof(char16_t))));
    sb->capacity = static_cast<int32_t>(capacity);
  }
  char16_t* out = sb->text + sb->length;
  for (size_t i = 0; i < count; ++i) out[i] = chars[i];
  sb->length = static_cast<int32_t>(required);
}

void sb_append_char(string_builder* sb, char16_t c) {
  sb_append(sb, &c, 1);
}

char16_t* sb_copy(const string_builder* sb) {
  char16_t* copy = static_cast<char16_t*>(
      alloc_or_exit(nullptr, byte_count(static_cast<uint64_t>(sb->length) + 1, sizeof(char16_t))));
  for (int32_t i = 0; i < sb->length; ++i) copy[i] = sb->text[i];
  copy[sb->length] = 0;
  return copy;
}

char16_t* sb_take(string_builder* sb) {
  char16_t* copy = sb_copy(sb);
  sb_release(sb);
  return copy;
}

void sb_release(string_builder* sb) {
  os::release(sb->text);
  sb_init(sb);
}
