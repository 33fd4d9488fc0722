// The Windows console entry. Its arguments are not used: the launcher reads its command
// line itself, exactly as the windowed launcher does.
#include "launch/launch_sequence.h"

int wmain() {
  run_launcher();
}
