// tavrin-pack: a ready Windows app image, or its zip, from an app's jars and a Windows
// JDK, built on Linux.
#include <algorithm>
#include <cstdio>

#include "host/cleanup.h"
#include "pack.h"
#include "signing/secret.h"
#include "tavrin_version.h"
#include "utf8_arguments.h"

int main(int argc, char** argv) {
  forbid_core_dumps();
  pack_options options;
  std::string problem;
  if (!parse_pack_options(utf8_arguments(argc, argv), &options, &problem)) {
    std::fprintf(stderr, "tavrin-pack: %s (see --help)\n", problem.c_str());
    return 2;
  }
  if (options.help || options.version) {
    std::fputs(options.help ? pack_help : "tavrin-pack " TAVRIN_VERSION "\n", stdout);
    if (options.help) std::fputs(signing_help, stdout);
    if (options.help) std::fputs(update_help, stdout);
    return 0;
  }
  std::fputs((options.notes + options.warnings).c_str(), stderr);
  remove_made_when_stopped();
  int status = run_pack(options);
  return options.warnings.empty() ? status : std::max(status, 1);
}
