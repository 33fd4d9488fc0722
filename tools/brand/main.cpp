// tavrin-brand's entry: the arguments as UTF-8 (from the wide command line on Windows).
#include <cstdio>

#include "cli.h"
#include "utf8_arguments.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
  brand::cli_result result = brand::run_cli(utf8_arguments(argc, argv));
  std::fputs(result.out.c_str(), stdout);
  std::fputs(result.err.c_str(), stderr);
  return result.status;
}
