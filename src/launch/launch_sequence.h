// The launcher's whole run: start the child command, wait for it unless told not to, and
// end.
#pragma once

// Never returns: ends with exit code 0 after a successful start, 2 after any error.
[[noreturn]] void run_launcher();
