#include "command/variables.h"

#include "command/quoting.h"
#include "launch/diagnostics.h"
#include "launch/file_names.h"
#include "launch/wide_text.h"
#include "platform/os.h"

namespace {

char16_t default_path[path_capacity];

}  // namespace

const char16_t* lookup_variable(char16_t* reference, const char16_t* launcher_path) {
  char16_t* marker = const_cast<char16_t*>(find_text(reference, u"|="));
  bool path_default = false;
  if (!marker) {
    marker = const_cast<char16_t*>(find_text(reference, u"|@"));
    path_default = marker != nullptr;
  }
  const char16_t* fallback = nullptr;
  if (marker) {
    *marker = 0;
    fallback = marker + 2;
    if (path_default && !is_absolute_path(fallback) &&
        resolve_from_launcher(fallback, launcher_path, default_path)) {
      fallback = default_path;
    }
  }
  const char16_t* name = reference;
  log_message(u"Reading environment variable '%s'", name);
  const char16_t* value = os::environment(name);
  if (!value) {
    log_message(u"Environment variable '%s' not found", name);
    if (!fallback) return nullptr;
    value = fallback;
  }
  log_message(u"Environment variable '%s'=\n'%s'", name, value);
  return value;
}

void append_expanded(string_builder* sb, const char16_t* word, const char16_t* launcher_path) {
  string_builder expanded;
  sb_init(&expanded);
  const char16_t* position = word;
  for (;;) {
    const char16_t* open = find_char(position, u'%');
    if (!open) break;
    const char16_t* close = find_char(open + 1, u'%');
    if (!close) break;
    sb_append(&expanded, position, static_cast<size_t>(open - position));
    size_t length = static_cast<size_t>(close - open - 1);
    if (length == 0) {
      sb_append_char(&expanded, u'%');
    } else {
      char16_t* reference = static_cast<char16_t*>(
          alloc_or_exit(nullptr, byte_count(length + 1ull, sizeof(char16_t))));
      for (size_t i = 0; i < length; ++i) reference[i] = open[1 + i];
      reference[length] = 0;
      const char16_t* value = lookup_variable(reference, launcher_path);
      if (value) sb_append(&expanded, value, text_length(value));
      os::release(reference);
    }
    position = close + 1;
  }
  sb_append(&expanded, position, text_length(position));
  char16_t* text = sb_take(&expanded);
  append_quoted(sb, text);
  os::release(text);
}
