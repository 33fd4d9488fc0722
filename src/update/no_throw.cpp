// The program is built without exceptions, yet the C++ library's strings and vectors still
// call its throwing helpers on a misuse (a position past the end, a size beyond the address
// space). These end the program instead, so that no exception machinery is linked in.
#include <windows.h>

namespace std {

[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) {
  ExitProcess(3);
}
[[noreturn]] void __throw_out_of_range(const char*) {
  ExitProcess(3);
}
[[noreturn]] void __throw_length_error(const char*) {
  ExitProcess(3);
}
[[noreturn]] void __throw_logic_error(const char*) {
  ExitProcess(3);
}
[[noreturn]] void __throw_invalid_argument(const char*) {
  ExitProcess(3);
}
[[noreturn]] void __throw_bad_alloc() {
  ExitProcess(3);
}
[[noreturn]] void __throw_bad_array_new_length() {
  ExitProcess(3);
}

}  // namespace std
