// The Windows GUI entry. Its arguments are not used: the launcher reads its command line
// itself and always shows the child normally.
#include <windows.h>

#include "launch/launch_sequence.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  run_launcher();
}
