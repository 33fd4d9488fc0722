// The tavrin-brand command: arguments in UTF-8, what it prints, and its exit status.
#pragma once

#include <string>
#include <vector>

namespace brand {

struct cli_result {
  int status;  // 0 done, 1 refused (one line on err, no OUTPUT written)
  std::string out, err;
};

// Runs the command on its arguments, program name excluded.
cli_result run_cli(const std::vector<std::string>& args);

}  // namespace brand
