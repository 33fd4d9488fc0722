// tavrin-check: runs the launcher's own code on a simulated machine loaded from the app
// folder, and prints the command it would start, its warnings or its error box text.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "launch/launch_sequence.h"
#include "machine_setup.h"
#include "options.h"
#include "outcome.h"
#include "platform/simulated/machine.h"
#include "tavrin_version.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

void write(std::FILE* stream, const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

// The launcher has ended: report and end the process. A run happens once per process,
// and nothing unwinds through the launcher's frames.
void report_and_exit(int exit_code) {
  check_outcome outcome = outcome_of(exit_code);
  write(stderr, outcome.err);
  write(stdout, outcome.out);
  std::exit(outcome.status);
}

int check(const std::vector<std::string>& args) {
  check_options options;
  std::string problem;
  bool parsed = parse_options(args, &options, &problem);
  if (parsed && options.version) {
    write(stdout, "tavrin-check " TAVRIN_VERSION "\n");
    return 0;
  }
  if (!parsed || !load_machine(options, &problem)) {
    write(stderr, "tavrin-check: " + problem + " (" + usage_text + ")\n");
    return 2;
  }
  simulated_os::current().end = report_and_exit;
  run_launcher();
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  // Raw UTF-8 bytes, so that both builds print the same.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(size > 0 ? static_cast<size_t>(size) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, &arg[0], size, nullptr, nullptr);
    arg.resize(arg.size() - 1);
    args.push_back(arg);
  }
  return check(args);
}
#else
int main(int argc, char** argv) {
  return check(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
