// Which references the launcher would drop from pack's words, and what the app then receives.
#include <gtest/gtest.h>

#include "image/variable_use.h"

namespace {

TEST(variable_use, unset_references) {
  struct row {
    std::string word, received;  // received: empty when no warning is due
  } rows[] = {
      {"%d of %s", "s"},
      {"http://x/a%20b%20c", "http://x/a20c"},
      {"%appdata%\\x %d% %% y", "%appdata%\\x  % y"},
      {"%HOME_DIR|=here% 100%", ""},
      {"%UNSET|@conf%", ""},
      {"%ProgramFiles(x86)%", ""},
      {"50%%", ""},
      {"100%", ""},
  };
  for (const row& r : rows) {
    std::string warnings = unset_variable_warnings("--arguments", {r.word});
    if (r.received.empty()) {
      EXPECT_EQ(warnings, "") << r.word;
    } else {
      EXPECT_NE(warnings.find("the app receives '" + r.received + "'"), std::string::npos)
          << warnings;
    }
  }
}

}  // namespace
