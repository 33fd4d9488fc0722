// jpackage's @FILE, read by java's rules: a file's words in its place.
#include "options/argument_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

TEST(argument_files, words) {
  struct row {
    std::string text;
    std::vector<std::string> words;  // after "--verbose"; {"!"} for a refusal
    bool warned = false;             // an escape made a control character
  } rows[] = {
      {"--name Demo\n--input in  # the jars\n\t--vendor 'Acme, Inc.'\n",
       {"--name", "Demo", "--input", "in", "--vendor", "Acme, Inc."}},
      {"--arguments \"two words\" --arguments a\"b c\"d --arguments ''",
       {"--arguments", "two words", "--arguments", "ab cd", "--arguments", ""}},
      {"--java-options \"-Dq=\\\"x\\\"\\ty\" # \"not a quote\n--arguments '#x' #y",
       {"--java-options", "-Dq=\"x\"\ty", "--arguments", "#x"},
       true},
      {"--arguments @nested.txt 100%", {"--arguments", "@nested.txt", "100%"}},
      {"--name 'Demo", {"!"}},
      // A byte order mark skipped; a line continued inside quotes, without the next's blanks.
      {"\xEF\xBB\xBF--name Demo", {"--name", "Demo"}},
      {"--arguments \"C:\\\\one;\\\r\n\t  D:\\\\two\" x", {"--arguments", "C:\\one;D:\\two", "x"}},
      // A Windows path: unquoted, its backslashes stay; quoted, \t and \n are escapes.
      {"-Dx=C:\\temp\\new \"-Dx=C:\\temp\\new\"", {"-Dx=C:\\temp\\new", "-Dx=C:\temp\new"}, true},
  };
  std::string file = ::testing::TempDir() + "pack-options.txt";
  for (const row& r : rows) {
    std::ofstream(file, std::ios::binary) << r.text;
    std::vector<std::string> words;
    std::string problem, warnings;
    bool read = expand_argument_files({"--verbose", "@" + file}, &words, &problem, &warnings);
    EXPECT_EQ(read, r.words != std::vector<std::string>{"!"}) << r.text;
    if (read) {
      words.erase(words.begin());
      EXPECT_EQ(words, r.words) << r.text;
      EXPECT_EQ(warnings.empty(), !r.warned) << warnings;
    }
  }
  std::vector<std::string> words;
  std::string problem, warnings;
  ASSERT_TRUE(expand_argument_files({"@" + file}, &words, &problem, &warnings));
  EXPECT_NE(warnings.find("-Dx=C:\\x09emp\\x0aew"), std::string::npos) << warnings;
  std::remove(file.c_str());
  words.clear();
  EXPECT_TRUE(expand_argument_files({"@@x"}, &words, &problem, &warnings));
  EXPECT_EQ(words, std::vector<std::string>{"@x"});
  for (const std::string& unread : {file, ::testing::TempDir()}) {
    EXPECT_FALSE(expand_argument_files({"@" + unread}, &words, &problem, &warnings));
    EXPECT_EQ(problem, "@" + unread + ": the file cannot be read");
  }
}

}  // namespace
