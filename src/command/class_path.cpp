#include "command/class_path.h"

#include "launch/diagnostics.h"
#include "launch/file_names.h"
#include "launch/wide_text.h"
#include "platform/os.h"

int append_class_path_entry(string_builder* sb, const char16_t* entry, int first_kept,
                            const char16_t* launcher_path) {
  char16_t resolved[path_capacity];
  const char16_t* path = entry;
  if (!is_absolute_path(entry) && resolve_from_launcher(entry, launcher_path, resolved)) {
    path = resolved;
  }
  if (!file_exists(path)) return 0;
  if (!first_kept) sb_append_char(sb, u';');
  sb_append(sb, path, text_length(path));
  return 1;
}

void append_class_path(string_builder* sb, const char16_t* class_path,
                       const char16_t* launcher_path) {
  sb_append_char(sb, u'"');
  int first_kept = 1;
  const char16_t* position = class_path;
  while (*position) {
    const char16_t* end = position;
    while (*end && *end != u';') ++end;
    size_t length = static_cast<size_t>(end - position);
    if (length > 0) {
      char16_t* copy = static_cast<char16_t*>(
          alloc_or_exit(nullptr, byte_count(length + 1ull, sizeof(char16_t))));
      for (size_t i = 0; i < length; ++i) copy[i] = position[i];
      copy[length] = 0;
      if (append_class_path_entry(sb, copy, first_kept, launcher_path)) first_kept = 0;
      os::release(copy);
    }
    position = *end ? end + 1 : end;
  }
  // A kept path ending in backslashes would escape the closing quote; doubling the run
  // makes the child read the backslashes themselves. The opening quote bounds the run.
  int32_t run = 0;
  while (sb->text[sb->length - 1 - run] == u'\\') ++run;
  for (int32_t i = 0; i < run; ++i) sb_append_char(sb, u'\\');
  sb_append_char(sb, u'"');
}
