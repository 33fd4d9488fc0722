#include "options.h"

const char usage_text[] =
    "usage: tavrin-check [--as WINDOWS_PATH] [--set NAME=VALUE]... [--log] PARAMETER_FILE "
    "[ARG...], or tavrin-check --version|--help";

const char help_text[] =
    "usage: tavrin-check [OPTIONS] PARAMETER_FILE [ARG...]\n"
    "Runs the tavrin launcher's own code on a simulated Windows machine loaded from the\n"
    "parameter file's folder, prints the command it would start, and checks what that\n"
    "command would load: class path, main class, class-file version, runtime, modules.\n"
    "In an image (a folder with runtime\\), it also notes each program or DLL (any PE file,\n"
    "also inside a jar) without a valid signature, and each unsigned script.\n"
    "  --as WINDOWS_PATH   the launcher's full path on the target (default C:\\App\\<stem>.exe)\n"
    "  --set NAME=VALUE    an environment variable of the target, repeatable\n"
    "  --log               the launcher's log on standard error, as VERBOSE_TAVRIN writes it\n"
    "  --help, --version\n"
    "Exit status: 0 clean, 1 warnings only, 2 the launcher would fail or a usage error.\n";

bool parse_options(const std::vector<std::string>& args, check_options* options,
                   std::string* problem) {
  size_t i = 0;
  for (; i < args.size() && args[i].compare(0, 2, "--") == 0; ++i) {
    const std::string& option = args[i];
    if (option == "--log") {
      options->log = true;
      continue;
    }
    if (option == "--version" || option == "--help") {
      (option == "--version" ? options->version : options->help) = true;
      return true;
    }
    if (option != "--as" && option != "--set") {
      *problem = "unknown option " + option;
      return false;
    }
    if (i + 1 == args.size()) {
      *problem = option + " needs a value";
      return false;
    }
    const std::string& value = args[++i];
    if (option == "--as") {
      options->launcher_path = value;
      continue;
    }
    size_t equals = value.find('=', 1);
    if (equals == std::string::npos) {
      *problem = "--set needs NAME=VALUE, got " + value;
      return false;
    }
    options->variables.emplace_back(value.substr(0, equals), value.substr(equals + 1));
  }
  if (i == args.size()) {
    *problem = "no PARAMETER_FILE given";
    return false;
  }
  options->parameter_file = args[i];
  options->arguments.assign(args.begin() + static_cast<long>(i) + 1, args.end());
  return true;
}
