// The parameter file that tavrin-pack writes, read back by the launcher's own splitter.
#include <cstdlib>

#include "image/parameter_file_text.h"
#include "input/split_words.h"
#include "../support.h"
#include "text.h"

namespace {

using pack_parameter_file = machine_test;
using words = std::vector<std::string>;

TEST_F(pack_parameter_file, every_word_reads_back_exactly) {
  const words tricky = {"plain",
                        "a b",
                        "a\tb",
                        "tab\t",
                        "line\nbreak",
                        "cr\rlf\n",
                        "say \"hi\"",
                        "a\\\"b",
                        "x\\\\\\\"y",
                        "C:\\dir\\",
                        "\\",
                        "",
                        "#hash",
                        "a#b",
                        "-Dhome=%APPDATA|@data%\\x",
                        "100%",
                        "%%",
                        "\"",
                        "\"\"",
                        " lead",
                        "trail ",
                        "zo\xC3\xAB \xE2\x82\xAC"};
  words arguments = tricky;
  arguments.insert(arguments.end(), {"-cp", "start", "java"});
  std::u16string text = to_utf16(parameter_file_text({"runtime\\bin\\javaw.exe",
                                                      tricky,
                                                      {"app\\main.jar", "app\\my lib.jar"},
                                                      "demo.Main",
                                                      arguments}));
  int32_t count = 0;
  char16_t** split = nullptr;
  split_words(text.c_str(), &count, &split);
  words read;
  for (int32_t i = 0; i < count; ++i) read.push_back(to_utf8(split[i]));
  free(split);

  words expected = {"runtime\\bin\\javaw.exe"};
  expected.insert(expected.end(), tricky.begin(), tricky.end());
  expected.insert(expected.end(), {"-cp", "app\\main.jar;app\\my lib.jar", "demo.Main"});
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  EXPECT_EQ(read, expected);
}

}  // namespace
