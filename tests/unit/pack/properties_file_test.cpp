// jpackage's properties files, read as java.util.Properties reads them.
#include <gtest/gtest.h>

#include <fstream>

#include "options/properties_file.h"

namespace {

TEST(properties_file, keys_and_values) {
  std::string file = ::testing::TempDir() + "launcher.properties";
  std::ofstream(file, std::ios::binary)
      << "# a comment\n! another\n\nmain-class=demo.Cli\r\n  arguments : --batch \\\n"
         "    --quiet\nwin-console true\ndescription=Caf\\u00e9 \\\\ tools\\t!\n"
         "key\\=with\\ space=x\nempty\nmain-class=demo.Last\n";
  std::map<std::string, std::string> got;
  std::string problem;
  ASSERT_TRUE(read_properties(file, &got, &problem)) << problem;
  std::map<std::string, std::string> expected = {
      {"main-class", "demo.Last"}, {"arguments", "--batch --quiet"},
      {"win-console", "true"},     {"description", "Caf\xC3\xA9 \\ tools\t!"},
      {"key=with space", "x"},     {"empty", ""}};
  EXPECT_EQ(got, expected);
  EXPECT_FALSE(read_properties(file + ".missing", &got, &problem));
  EXPECT_EQ(problem, file + ".missing: the properties file cannot be read");
}

}  // namespace
