#include "image/image_check.h"

#include "host/refusal.h"
#include "launch/launch_sequence.h"
#include "machine_setup.h"
#include "platform/simulated/machine.h"

check_outcome check_image(const std::filesystem::path& parameter_file) {
  simulated_os::reset();
  check_options options;
  options.parameter_file = parameter_file.u8string();
  std::string problem;
  if (!load_machine(options, &problem)) throw refusal(problem);
  // The launcher ends by the machine's end handler, which throws here so that pack goes on.
  return outcome_of(simulated_os::run_to_exit([] { run_launcher(); }));
}
