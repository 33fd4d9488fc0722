// Walks the parameter words through the parameter file's grammar and builds the child
// command line: [start] launcher-word option... (-cp|-classpath) class-path class-name
// argument..., followed by the launcher's own command-line arguments.
#pragma once

#include <cstdint>

enum grammar_state {
  expect_start_or_launcher,
  expect_launcher,
  expect_option_or_class_path,
  expect_class_path,
  expect_class_name,
  expect_argument,
};

// What the grammar expects in a state, for the syntax-error message.
const char16_t* expected_item_text(int state);

// Builds the command text (the caller releases it) and the wait flag: 0 when the file
// begins with "start". Word 0 of the command words is the launcher path. A syntax error
// is fatal.
void build_command(const char16_t* parameter_file_name, const char16_t* process_command_line,
                   int32_t parameter_count, char16_t** parameter_words, int32_t command_count,
                   char16_t** command_words, char16_t** command, int* wait);
