// Names as Windows holds them: what it refuses, and which names are one to it.
#include <gtest/gtest.h>

#include "host/refusal.h"
#include "host/windows_names.h"

namespace {

TEST(windows_names, problems) {
  struct row {
    std::string name, problem;
  } rows[] = {
      {"CON", "is the device CON to Windows"},
      {"lpt1.jar.bak", "is the device LPT1 to Windows, whatever follows it"},
      {"aux .txt", "is the device AUX to Windows, whatever follows it"},
      {"COM\xC2\xB9", "is the device COM\xC2\xB9 to Windows"},
      {"q?.txt", "holds '?', which Windows does not allow in a name"},
      {"tab\there", "holds the control character U+0009, which Windows does not allow in a name"},
      {"trail.", "ends in a dot, which Windows drops from a name"},
      {"space ", "ends in a space, which Windows drops from a name"},
      {"..", "is no name"},
      {"caf\xE9.jar", "is not valid UTF-8"},
      {std::string(256, 'a'), "is longer than the 255 characters of a Windows name"},
      {"CONFIG.SYS", ""},
      {"COM10", ""},
      {".gitignore", ""},
      {"Acme, Inc", ""},
  };
  for (const row& r : rows) EXPECT_EQ(windows_name_problem(r.name), r.problem) << r.name;
}

// Each row adds its paths in order; the last one is refused with the message, or none is.
TEST(windows_names, one_name_ignoring_case) {
  struct row {
    std::vector<std::pair<std::string, bool>> paths;  // path, folder
    std::string refusal;
  } rows[] = {
      {{{"main.jar", false}, {"Main.jar", false}},
       "--input in: 'main.jar' and 'Main.jar' are one name to Windows, which ignores case"},
      {{{"res/a", false}, {"Res/b", false}},
       "--input in: 'res' and 'Res' are one name to Windows, which ignores case"},
      {{{"\xC3\xA9t\xC3\xA9.txt", false}, {"\xC3\x89T\xC3\x89.TXT", false}},  // été, ÉTÉ
       "--input in: '\xC3\xA9t\xC3\xA9.txt' and '\xC3\x89T\xC3\x89.TXT' are one name to Windows, "
       "which ignores case"},
      {{{"\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB", false}, {"\xD0\xA4\xD0\x90\xD0\x99\xD0\x9B", false}},
       "--input in: '\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB' and '\xD0\xA4\xD0\x90\xD0\x99\xD0\x9B' are "
       "one name to Windows, which ignores case"},  // файл, ФАЙЛ
      {{{"lib", true}, {"lib/a.jar", false}, {"lib/b.jar", false}}, ""},
      {{{"a/b.jar", false}, {"a/b.jar", false}}, "--input in: 'a/b.jar' is there twice"},
      {{{"x/a:b.txt", false}},
       "--input in: 'x/a:b.txt': 'a:b.txt' holds ':', which Windows "
       "does not allow in a name"},
  };
  for (const row& r : rows) {
    windows_tree tree{"--input in", {}};
    std::string refused;
    try {
      for (const auto& [path, folder] : r.paths) add_windows_path(&tree, path, folder);
    } catch (const refusal& e) {
      refused = e.what();
    }
    EXPECT_EQ(refused, r.refusal);
  }
}

}  // namespace
