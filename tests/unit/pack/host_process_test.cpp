// What pack says of a program that failed: a crash is named as one, with its signal. Input
// past a pipe's size blocks neither side; a program past its deadline is killed.
#include "host/host_process.h"

#include <gtest/gtest.h>

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

TEST(host_process, input_and_deadline) {
  const std::string input(300 * 1024, 'x');
  struct row {
    std::vector<std::string> argv;
    int seconds;
    std::string output;
    bool timed_out;
  } rows[] = {
      {{"wc", "-c"}, 0, "307200\n", false},
      {{"head", "-c", "3"}, 0, "xxx", false},  // stops reading
      {{"sh", "-c", "echo started; exec sleep 30"}, 1, "started\n", true},
  };
  for (const row& r : rows) {
    program_result run = run_program(r.argv, &input, "", std::chrono::seconds(r.seconds));
    EXPECT_EQ(run.output, r.output) << r.argv[0];
    EXPECT_EQ(run.timed_out, r.timed_out) << r.argv[0];
  }
}

}  // namespace
