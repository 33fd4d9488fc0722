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
#include "utf8_arguments.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
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
  if (parsed && options.help) {
    write(stdout, help_text);
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
#else
int main(int argc, char** argv) {
#endif
  return check(utf8_arguments(argc, argv));
}
