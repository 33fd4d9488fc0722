#include "command/command_builder.h"

#include "command/class_path.h"
#include "command/quoting.h"
#include "command/string_builder.h"
#include "command/variables.h"
#include "launch/diagnostics.h"
#include "launch/wide_text.h"
#include "runtime/launcher_word.h"

const char16_t* expected_item_text(int state) {
  switch (state) {
    case expect_start_or_launcher:
      return u"start or java or javaw";
    case expect_launcher:
      return u"java or javaw";
    case expect_option_or_class_path:
      return u"-cp or -classpath or a Java[tm] option";
    case expect_class_path:
      return u"-cp or -classpath";
    case expect_class_name:
      return u"a Java[tm] class name";
    case expect_argument:
      return u"an argument";
    default:
      return u"???";
  }
}

namespace {

[[noreturn]] void syntax_error(const char16_t* parameter_file_name, int state) {
  fatal_error(u"Syntax error in parameter file\n'%.1000s':\nexpected %.255s", parameter_file_name,
              expected_item_text(state));
}

}  // namespace

void build_command(const char16_t* parameter_file_name, const char16_t* process_command_line,
                   int32_t parameter_count, char16_t** parameter_words, int32_t command_count,
                   char16_t** command_words, char16_t** command, int* wait) {
  const char16_t* launcher_path = command_words[0];
  log_message(u"Building command using parameter file\n'%s'\nand command line\n'%s'",
              parameter_file_name, process_command_line);
  string_builder sb;
  sb_init(&sb);
  *wait = 1;
  int state = expect_start_or_launcher;
  for (int32_t i = 0; i < parameter_count; ++i) {
    char16_t* word = parameter_words[i];
    log_message(u"Processing parameter\n'%s'\nand appending it to command", word);
    switch (state) {
      case expect_start_or_launcher:
        if (text_equals(word, u"start")) {
          *wait = 0;
          state = expect_launcher;
          break;
        }
        [[fallthrough]];
      case expect_launcher:
        if (!find_text(word, u"java")) syntax_error(parameter_file_name, state);
        append_launcher(&sb, word, launcher_path);
        state = expect_option_or_class_path;
        break;
      case expect_option_or_class_path:
        if (text_equals(word, u"-cp") || text_equals(word, u"-classpath")) {
          sb_append(&sb, u" -cp", 4);
          state = expect_class_path;
        } else {
          sb_append_char(&sb, u' ');
          append_expanded(&sb, word, launcher_path);
        }
        break;
      case expect_class_path:
        sb_append_char(&sb, u' ');
        append_class_path(&sb, word, launcher_path);
        state = expect_class_name;
        break;
      case expect_class_name:
        sb_append_char(&sb, u' ');
        append_quoted(&sb, word);
        state = expect_argument;
        break;
      default:
        sb_append_char(&sb, u' ');
        append_expanded(&sb, word, launcher_path);
        break;
    }
  }
  if (state != expect_argument) syntax_error(parameter_file_name, state);
  for (int32_t i = 1; i < command_count; ++i) {
    log_message(u"Appending argument\n'%s'\nto command", command_words[i]);
    sb_append_char(&sb, u' ');
    append_quoted(&sb, command_words[i]);
  }
  *command = sb_take(&sb);
  log_message(u"Built command is\n'%s'", *command);
}
