#include "runtime/launcher_word.h"

#include "command/quoting.h"
#include "launch/diagnostics.h"
#include "launch/file_names.h"
#include "launch/wide_text.h"
#include "runtime/runtime_search.h"
#include "runtime/version_text.h"

namespace {

constexpr version default_lower{1, 5, 0};
constexpr version default_upper{1, 7, 0};

bool plausible(version v) {
  return v.major > 0 && v.minor > 0 && v.micro >= 0;
}

// Reads the version text into a range; a malformed or invalid text is fatal.
void read_range(const char16_t* text, version* lower, version* upper) {
  scanned_fields f = scan_fields(text, u"%d.%d.%d%c%d.%d.%d");
  if (f.count != 3 && f.count != 4 && f.count != 7) {
    fatal_error(u"Malformed Java[tm] version '%.1000s'", text);
  }
  *lower = {f.values[0], f.values[1], f.values[2]};
  *upper = *lower;
  bool valid = !f.overflow && plausible(*lower);
  if (f.count == 4) {
    valid = valid && f.values[3] == u'+';
    if (version_diff(*lower, default_upper) <= 0) *upper = default_upper;
  } else if (f.count == 7) {
    *upper = {f.values[4], f.values[5], f.values[6]};
    valid = valid && f.values[3] == u'-' && plausible(*upper) && version_diff(*lower, *upper) <= 0;
  }
  valid = valid && candidate_count(*lower, *upper) <= max_candidates;
  if (!valid) fatal_error(u"Invalid Java[tm] version '%.1000s'", text);
}

}  // namespace

void append_launcher(string_builder* sb, char16_t* word, const char16_t* launcher_path) {
  bool javaw = find_text(word, u"javaw") != nullptr;
  const char16_t* version_text = nullptr;
  char16_t* open = const_cast<char16_t*>(find_last_char(word, u'['));
  if (open) {
    char16_t* close = const_cast<char16_t*>(find_last_char(open, u']'));
    if (!close || close - open < 3) fatal_error(u"Malformed Java[tm] version '%.1000s'", open);
    *open = 0;
    *close = 0;
    version_text = open + 1;
  }

  char16_t launcher[path_capacity];
  const char16_t* candidate = word;
  if (!is_absolute_path(word) && resolve_from_launcher(word, launcher_path, launcher)) {
    candidate = launcher;
  }
  if (file_exists(candidate)) {
    append_quoted(sb, candidate);
    return;
  }

  version lower = default_lower;
  version upper = default_upper;
  if (version_text) read_range(version_text, &lower, &upper);
  log_message(u"Searching installed Java[tm] with version in the %d.%d.%d-%d.%d.%d range",
              lower.major, lower.minor, lower.micro, upper.major, upper.minor, upper.micro);
  if (!find_runtime(lower, upper, javaw, launcher)) {
    fatal_error(u"Don't find a Java[tm] runtime with version in the %d.%d.%d-%d.%d.%d range",
                lower.major, lower.minor, lower.micro, upper.major, upper.minor, upper.micro);
  }
  log_message(u"Found Java[tm] launcher\n'%s'", launcher);
  append_quoted(sb, launcher);
}
