// What pack says of a program that failed: a crash is named as one, with its signal.
#include <gtest/gtest.h>

#include "host/host_process.h"

namespace {

TEST(host_process, failures) {
  struct row {
    std::vector<std::string> argv;
    std::string said;
  } rows[] = {
      {{"sh", "-c", "kill -SEGV $$"}, "sh crashed (signal 11, Segmentation fault)"},
      {{"sh", "-c", "echo no key; exit 3"}, "sh failed (exit status 3): no key"},
      {{"/nonexistent/wixl"}, "/nonexistent/wixl cannot be started: No such file or directory"},
  };
  for (const row& r : rows) EXPECT_EQ(program_failure(r.argv[0], run_program(r.argv)), r.said);
}

}  // namespace
