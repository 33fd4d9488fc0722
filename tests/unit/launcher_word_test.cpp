#include "runtime/launcher_word.h"

#include <cstdlib>

#include "support.h"

namespace {

const char16_t launcher[] = u"C:\\Apps\\Demo\\demo.exe";
const std::u16string jre_key =
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\";

class launcher_word : public machine_test {
 protected:
  void SetUp() override {
    machine_test::SetUp();
    simulated_os::add_file(u"C:\\Apps\\Demo\\jre\\bin\\java.exe", "");
  }
  // The appended launcher, or the box when the word is refused.
  std::u16string outcome(const char16_t* word) {
    std::u16string writable = word;
    string_builder sb;
    sb_init(&sb);
    current().boxes.clear();
    int code = run_to_exit([&] { append_launcher(&sb, &writable[0], launcher); });
    if (code == 2) return current().boxes.back().text;
    return sb_take(&sb);
  }
};

TEST_F(launcher_word, words) {
  simulated_os::set_registry_text(64, jre_key + u"1.6", u"MicroVersion", u"0");
  simulated_os::set_registry_text(64, jre_key + u"1.6", u"JavaHome",
                                  u"C:\\Program Files\\Java\\jre6");
  simulated_os::add_directory(u"C:\\Apps\\Demo\\tools");
  struct row {
    const char16_t* word;
    const char16_t* result;
  } rows[] = {
      {u"java", u"\"C:\\Program Files\\Java\\jre6\\bin\\java.exe\""},
      {u"javaw", u"\"C:\\Program Files\\Java\\jre6\\bin\\javaw.exe\""},
      {u"C:\\apps\\javaw-tools\\java.exe", u"\"C:\\Program Files\\Java\\jre6\\bin\\javaw.exe\""},
      {u"jre\\bin\\java.exe[1.6.0]", u"C:\\Apps\\Demo\\jre\\bin\\java.exe"},
      {u"jre\\bin\\java.exe[garbage]", u"C:\\Apps\\Demo\\jre\\bin\\java.exe"},
      {u"tools", u"C:\\Apps\\Demo\\tools"},
      {u"java[1.6.0]", u"\"C:\\Program Files\\Java\\jre6\\bin\\java.exe\""},
      {u"java[1.5.0-1.6.0]xyz", u"\"C:\\Program Files\\Java\\jre6\\bin\\java.exe\""},
      {u"java[1.6.0", u"Malformed Java[tm] version '[1.6.0'"},
      {u"java]x[1.6.0", u"Malformed Java[tm] version '[1.6.0'"},
      {u"jre\\bin\\java.exe[]", u"Malformed Java[tm] version '[]'"},
      {u"java[6]", u"Malformed Java[tm] version '[6]'"},
      {u"java[6]tail", u"Malformed Java[tm] version '[6]tail'"},
      {u"java[16]", u"Malformed Java[tm] version '16'"},
      {u"java[1.6]", u"Malformed Java[tm] version '1.6'"},
      {u"java[1.5.0-1.6]", u"Malformed Java[tm] version '1.5.0-1.6'"},
      {u"java[1.0.0]", u"Invalid Java[tm] version '1.0.0'"},
      {u"java[0.9.0]", u"Invalid Java[tm] version '0.9.0'"},
      {u"java[1.6.-1]", u"Invalid Java[tm] version '1.6.-1'"},
      {u"java[1.6.0-]", u"Invalid Java[tm] version '1.6.0-'"},
      {u"java[1.6.0 +]", u"Invalid Java[tm] version '1.6.0 +'"},
      {u"java[1.5.0+1.6.0]", u"Invalid Java[tm] version '1.5.0+1.6.0'"},
      {u"java[1.6.0-1.5.0]", u"Invalid Java[tm] version '1.6.0-1.5.0'"},
      {u"java[99999999999.1.0]", u"Invalid Java[tm] version '99999999999.1.0'"},
      {u"java[1.6.0-1.99999999999.0]", u"Invalid Java[tm] version '1.6.0-1.99999999999.0'"},
      {u"java[1.6.0-1.6.2000000000]", u"Invalid Java[tm] version '1.6.0-1.6.2000000000'"},
      {u"java[1.1.0-2000000000.1.0]", u"Invalid Java[tm] version '1.1.0-2000000000.1.0'"},
      {u"java[1.1.0-1.2000000.0]", u"Invalid Java[tm] version '1.1.0-1.2000000.0'"},
      {u"java[1.1.0-101.1.0]", u"Invalid Java[tm] version '1.1.0-101.1.0'"},
      {u"java[2.1.0-100.1.0]",
       u"Don't find a Java[tm] runtime with version in the 2.1.0-100.1.0 range"},
      {u"java[1.7.0+]", u"Don't find a Java[tm] runtime with version in the 1.7.0-1.7.0 range"},
      {u"java[1.8.0+]", u"Don't find a Java[tm] runtime with version in the 1.8.0-1.8.0 range"},
      {u"java[1.2.0+]", u"\"C:\\Program Files\\Java\\jre6\\bin\\java.exe\""},
      {u"java[1.7.0-1.8.0]",
       u"Don't find a Java[tm] runtime with version in the 1.7.0-1.8.0 range"},
  };
  for (const row& r : rows) EXPECT_EQ(outcome(r.word), r.result) << u8(r.word);
}

TEST_F(launcher_word, range_is_logged_before_the_search) {
  current().environment[u"VERBOSE_TAVRIN"] = u"";
  outcome(u"java[1.6.0+]");
  std::string log = current().files[u"C:\\app\\app.tavrin_log"];
  EXPECT_EQ(log.find("Searching installed Java[tm] with version in the 1.6.0-1.7.0 range"),
            std::string("Quorbel tavrin version 1.0.4\r\n").size());
}

}  // namespace
