// jlink's command line: the options each version of jlink has.
#include <gtest/gtest.h>

#include "runtime/jlink.h"

namespace {

TEST(jlink, default_options_by_version) {
  struct row {
    std::string version;
    std::vector<std::string> options;
  } rows[] = {
      {"11.0.25", {"--no-header-files", "--no-man-pages", "--compress=2"}},
      {"17.0.15",
       {"--strip-java-debug-attributes", "--no-header-files", "--no-man-pages", "--compress=2"}},
      {"21.0.1",
       {"--strip-java-debug-attributes", "--no-header-files", "--no-man-pages",
        "--compress=zip-6"}},
  };
  for (const row& r : rows) {
    std::vector<std::string> command =
        jlink_command({"jlink", r.version}, {"module-path-1", "module-path-2"}, {"java.base"},
                      "image/runtime", nullptr);
    std::vector<std::string> expected = {
        "jlink",    "--module-path", "module-path-1:module-path-2", "--add-modules", "java.base",
        "--output", "image/runtime"};
    expected.insert(expected.end(), r.options.begin(), r.options.end());
    EXPECT_EQ(command, expected) << r.version;
  }
}

}  // namespace
