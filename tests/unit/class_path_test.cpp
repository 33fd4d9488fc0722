#include "command/class_path.h"

#include "platform/os.h"
#include "support.h"

namespace {

const char16_t launcher[] = u"C:\\Apps\\Demo\\demo.exe";

class class_path : public machine_test {
 protected:
  void SetUp() override {
    machine_test::SetUp();
    simulated_os::add_file(u"C:\\Apps\\Demo\\lib\\demo.jar", "");
    simulated_os::add_file(u"D:\\Shared\\util.jar", "");
    simulated_os::add_file(u"C:\\Apps\\Demo\\my lib\\x.jar", "");
    simulated_os::add_directory(u"C:\\Apps\\Demo\\classes");
    simulated_os::add_file(u"C:\\Apps\\Demo\\%HOME%.jar", "");
  }
  std::u16string rendered(const char16_t* word, const char16_t* base = launcher) {
    return appended([&](string_builder* sb) { append_class_path(sb, word, base); });
  }
};

TEST_F(class_path, renderings) {
  struct row {
    const char16_t* word;
    const char16_t* text;
  } rows[] = {
      {u"lib\\missing.jar;;lib\\demo.jar;D:\\Shared\\util.jar;classes;",
       u"\"C:\\Apps\\Demo\\lib\\demo.jar;D:\\Shared\\util.jar;C:\\Apps\\Demo\\classes\""},
      {u"", u"\"\""},
      {u"lib\\missing.jar;nope", u"\"\""},
      {u";;lib\\demo.jar;;", u"\"C:\\Apps\\Demo\\lib\\demo.jar\""},
      {u"lib\\*", u"\"\""},
      {u"my lib\\x.jar", u"\"C:\\Apps\\Demo\\my lib\\x.jar\""},
      {u"%HOME%.jar", u"\"C:\\Apps\\Demo\\%HOME%.jar\""},
      {u"lib\\demo.jar;lib\\demo.jar",
       u"\"C:\\Apps\\Demo\\lib\\demo.jar;C:\\Apps\\Demo\\lib\\demo.jar\""},
      // A final backslash is doubled so that it does not escape the closing quote.
      {u"classes\\", u"\"C:\\Apps\\Demo\\classes\\\\\""},
      {u"classes\\;lib\\demo.jar", u"\"C:\\Apps\\Demo\\classes\\;C:\\Apps\\Demo\\lib\\demo.jar\""},
      {u"lib\\demo.jar;classes\\\\",
       u"\"C:\\Apps\\Demo\\lib\\demo.jar;C:\\Apps\\Demo\\classes\\\\\\\\\""},
  };
  for (const row& r : rows) EXPECT_EQ(rendered(r.word), r.text) << u8(r.word);
}

TEST_F(class_path, unresolvable_entries_are_tested_as_written) {
  simulated_os::add_file(u"rel.jar", "");
  EXPECT_EQ(rendered(u"rel.jar;lib\\demo.jar", u"demo.exe"), u"\"rel.jar\"");
}

TEST_F(class_path, entry_copies_are_released) {
  size_t before = current().live_blocks.size();
  rendered(u"a;b;lib\\demo.jar;c");
  EXPECT_EQ(current().live_blocks.size(), before);
}

}  // namespace
