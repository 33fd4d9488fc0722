// A sign command receives the file's path whole, whatever quotes {} stands in, and a hostile
// name runs nothing.
#include "signing/sign_command.h"

#include <gtest/gtest.h>

#include "host/host_process.h"

namespace {

TEST(sign_command, the_file_reaches_the_command_whole) {
  const std::string file = "/tmp/a b'c\"$(echo RAN)`echo RAN`\\.dll";
  struct row {
    std::string command, printed;
  } rows[] = {
      {"printf %s {}", file},
      {"printf %s '{}'", file},
      {"printf %s \"{}\"", file},
      {"printf %s \"in {} quotes\"", "in " + file + " quotes"},
      {"printf %s 'in {} quotes'", "in " + file + " quotes"},
      {"printf %s \\'{}", "'" + file},
      {"printf '%s,' {} '{}'", file + "," + file + ","},
  };
  for (const row& r : rows) {
    program_result run = run_program({"sh", "-c", command_taking_file(r.command), "sh", file});
    EXPECT_EQ(run.output, r.printed) << r.command;
  }
}

}  // namespace
