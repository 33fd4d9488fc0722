// jpackage's @FILE: a file's words in its place.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "options/argument_files.h"

namespace {

TEST(argument_files, words) {
  struct row {
    std::string text;
    std::vector<std::string> words;  // after "--verbose"; {"!"} for a refusal
  } rows[] = {
      {"--name Demo\n--input in  # the jars\n\t--vendor 'Acme, Inc.'\n",
       {"--name", "Demo", "--input", "in", "--vendor", "Acme, Inc."}},
      {"--arguments \"two words\" --arguments a\"b c\"d --arguments ''",
       {"--arguments", "two words", "--arguments", "ab cd", "--arguments", ""}},
      {"--java-options \"-Dq=\\\"x\\\"\\ty\" # \"not a quote\n--arguments '#x' #y",
       {"--java-options", "-Dq=\"x\"\ty", "--arguments", "#x"}},
      {"--arguments @nested.txt 100%", {"--arguments", "@nested.txt", "100%"}},
      {"--name 'Demo", {"!"}},
  };
  std::string file = ::testing::TempDir() + "pack-options.txt";
  for (const row& r : rows) {
    std::ofstream(file, std::ios::binary) << r.text;
    std::vector<std::string> words;
    std::string problem;
    bool read = expand_argument_files({"--verbose", "@" + file}, &words, &problem);
    EXPECT_EQ(read, r.words != std::vector<std::string>{"!"}) << r.text;
    if (read) {
      words.erase(words.begin());
      EXPECT_EQ(words, r.words) << r.text;
    }
  }
  std::remove(file.c_str());
  std::vector<std::string> words;
  std::string problem;
  EXPECT_FALSE(expand_argument_files({"@" + file}, &words, &problem));
  EXPECT_EQ(problem, "@" + file + ": the file cannot be read");
}

}  // namespace
