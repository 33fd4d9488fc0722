#include "launch/file_names.h"

#include "launch/wide_text.h"
#include "platform/os.h"

namespace {

constexpr size_t max_path_length = path_capacity - 1;

// Copies at most 1023 characters and terminates; returns the copied length.
size_t copy_path(const char16_t* path, char16_t* out) {
  size_t n = 0;
  while (n < max_path_length && path[n]) {
    out[n] = path[n];
    ++n;
  }
  out[n] = 0;
  out[max_path_length] = 0;
  return n;
}

// Copies source with its terminator to out + position when it fits the buffer.
int place_at(char16_t* out, size_t position, const char16_t* source) {
  size_t length = text_length(source);
  if (length > max_path_length - position) return 0;
  for (size_t i = 0; i <= length; ++i) out[position + i] = source[i];
  return 1;
}

}  // namespace

int replace_extension(const char16_t* path, const char16_t* extension, char16_t* out) {
  size_t length = copy_path(path, out);
  const char16_t* dot = find_last_char(out, u'.');
  const char16_t* backslash = find_last_char(out, u'\\');
  size_t position = length;
  if (dot && !(backslash && backslash > dot)) position = static_cast<size_t>(dot - out);
  return place_at(out, position, extension);
}

int is_absolute_path(const char16_t* path) {
  if (path[0] && path[1] && path[2] && os::is_letter(path[0]) && path[1] == u':' &&
      path[2] == u'\\') {
    return 1;
  }
  if (path[0] == u'\\' && path[1] == u'\\' && path[2] && os::is_letter(path[2]) && path[3]) {
    return 1;
  }
  return 0;
}

int resolve_from_launcher(const char16_t* path, const char16_t* launcher_path, char16_t* out) {
  if (is_absolute_path(path)) {
    copy_path(path, out);
    return 1;
  }
  copy_path(launcher_path, out);
  const char16_t* backslash = find_last_char(out, u'\\');
  if (!backslash) return 0;
  return place_at(out, static_cast<size_t>(backslash - out) + 1, path);
}

int file_exists(const char16_t* path) {
  return os::path_exists(path) ? 1 : 0;
}
