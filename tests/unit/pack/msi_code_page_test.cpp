// The code page an installer's texts take, and the texts no one code page holds.
#include <gtest/gtest.h>

#include "host/refusal.h"
#include "msi/msi_code_page.h"

namespace {

TEST(msi_code_page, chosen_or_refused) {
  struct row {
    std::vector<msi_text> texts;
    std::string chosen;  // the number, or the refusal
  } rows[] = {
      {{{"--name", "Demo"}, {"--vendor", "Acme"}}, "1252"},
      {{{"--vendor", "Acme \xC3\x86sir"}, {"the image's file", "caf\xC3\xA9.jar"}}, "1252"},
      {{{"--vendor", "\xC5\xBB\xC3\xB3\xC5\x82w"}}, "1250"},       // Żółw
      {{{"--name", "\xD0\x94\xD0\xB5\xD0\xBC\xD0\xBE"}}, "1251"},  // Демо
      {{{"--name", "\xE8\xA1\xA8\xE7\xA4\xBA"}}, "932"},           // 表示
      {{{"--vendor", "Acme \xC3\x86sir"}, {"--win-menu-group", "\xD0\x94\xD0\xB5\xD0\xBC\xD0\xBE"}},
       "--win-menu-group '\xD0\x94\xD0\xB5\xD0\xBC\xD0\xBE': needs another Windows code page than "
       "--vendor 'Acme \xC3\x86sir', and an installer's text must fit one code page"},
      {{{"--vendor", "Acme \xF0\x9F\x98\x80"}},
       "--vendor 'Acme \xF0\x9F\x98\x80': '\xF0\x9F\x98\x80' (U+1F600) is in no Windows code "
       "page, and an installer's text must fit one code page"},
      {{{"--name", "\xCE\xA9 \xD0\x94"}},  // Ω Д
       "--name '\xCE\xA9 \xD0\x94': mixes letters that no one Windows code page holds, and an "
       "installer's text must fit one code page"},
  };
  for (const row& r : rows) {
    std::string chosen;
    try {
      chosen = std::to_string(installer_code_page(r.texts).number);
    } catch (const refusal& e) {
      chosen = e.what();
    }
    EXPECT_EQ(chosen, r.chosen);
  }
  EXPECT_EQ(in_code_page("\xD0\x94", 1251), "\xC4");
}

}  // namespace
