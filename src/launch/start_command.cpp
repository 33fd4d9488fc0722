#include "launch/start_command.h"

#include "command/command_builder.h"
#include "input/parameter_file.h"
#include "input/split_words.h"
#include "launch/diagnostics.h"
#include "launch/file_names.h"
#include "launch/wide_text.h"

namespace {

// The longest command line Windows accepts, without its terminator. Beyond it some
// systems refuse the start and others silently cut the child's command line.
constexpr size_t max_command_length = 32766;
constexpr uint32_t error_filename_exced_range = 206;

// Fills the launcher path; a failed or cut result is fatal, since every file the
// launcher uses is named after it.
void get_launcher_path(char16_t* launcher_path) {
  uint32_t length = os::module_path(launcher_path, path_capacity);
  if (length == 0) {
    fatal_error(u"Cannot get launcher path:\n%.255s", system_error_text(os::last_error()));
  }
  if (length >= path_capacity) {
    fatal_error(u"Cannot get launcher path:\n%.255s",
                system_error_text(error_filename_exced_range));
  }
}

started_command gather() {
  const char16_t* command_line = os::command_line();
  int32_t command_count = 0;
  char16_t** command_words = nullptr;
  split_words(command_line, &command_count, &command_words);

  char16_t launcher_path[path_capacity];
  get_launcher_path(launcher_path);
  command_words[0] = launcher_path;

  char16_t parameter_file_name[path_capacity];
  replace_extension(launcher_path, u".tavrin", parameter_file_name);
  char16_t* text = load_parameter_file(parameter_file_name);
  int32_t parameter_count = 0;
  char16_t** parameter_words = nullptr;
  split_words(text, &parameter_count, &parameter_words);
  os::release(text);

  started_command result{nullptr, 1, {}};
  build_command(parameter_file_name, command_line, parameter_count, parameter_words, command_count,
                command_words, &result.command, &result.wait);
  os::release(parameter_words);
  os::release(command_words);
  return result;
}

[[noreturn]] void cannot_execute(char16_t* command, uint32_t error) {
  show_error(u"Cannot execute command\n'%.3000s':\n%.255s", command, system_error_text(error));
  os::release(command);
  exit_launcher(2);
}

}  // namespace

started_command start_command() {
  started_command run = gather();
  log_message(u"Creating process using command\n'%s'", run.command);
  if (text_length(run.command) > max_command_length) {
    cannot_execute(run.command, error_filename_exced_range);
  }
  if (!os::start_process(run.command, run.wait != 0, &run.child)) {
    cannot_execute(run.command, os::last_error());
  }
  log_message(u"Process %d created", static_cast<int>(run.child.id));
  if (run.child.job_error) {
    log_message(u"Process %d is in no job object; it would outlive a killed launcher:\n%s",
                static_cast<int>(run.child.id), system_error_text(run.child.job_error));
  }
  return run;
}
