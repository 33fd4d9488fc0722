#include "launch/launch_sequence.h"

#include "launch/diagnostics.h"
#include "launch/start_command.h"

void run_launcher() {
  started_command run = start_command();
  int exit_code = 0;
  if (run.wait) {
    log_message(u"Waiting end of process %d", static_cast<int>(run.child.id));
    os::wait_process(run.child);
    log_message(u"Process %d terminated", static_cast<int>(run.child.id));
    exit_code = os::exit_code_after_wait(run.child);
  }
  os::close_process(run.child);
  os::release(run.command);
  exit_launcher(exit_code);
}
