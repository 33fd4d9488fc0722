#include "command/variables.h"

#include "support.h"

namespace {

const char16_t launcher[] = u"C:\\Apps\\Demo\\demo.exe";

class variables : public machine_test {
 protected:
  void SetUp() override {
    machine_test::SetUp();
    current().environment[u"DEMO_HOME"] = u"D:\\Demo Data";
    current().environment[u"EMPTY"] = u"";
    current().environment[u"A"] = u"1";
    current().environment[u"B"] = u"2";
    current().environment[u"LOOP"] = u"%DEMO_HOME%";
  }
  std::u16string expanded(const char16_t* word) {
    return appended([&](string_builder* sb) { append_expanded(sb, word, launcher); });
  }
};

TEST_F(variables, expansions) {
  struct row {
    const char16_t* word;
    const char16_t* text;
  } rows[] = {
      {u"100%", u"100%"},
      {u"a%%b", u"a%b"},
      {u"%%", u"%"},
      {u"%%%", u"%%"},
      {u"%UNSET%", u"\"\""},
      {u"-Dx=%UNSET%", u"-Dx="},
      {u"-Dhome=%DEMO_HOME%", u"\"-Dhome=D:\\Demo Data\""},
      {u"%demo_home%", u"\"D:\\Demo Data\""},
      {u"x%EMPTY|=fallback%y", u"xy"},
      {u"%UNSET|=fallback%", u"fallback"},
      {u"%DEMO_HOME|=fallback%", u"\"D:\\Demo Data\""},
      {u"%UNSET|@conf%", u"C:\\Apps\\Demo\\conf"},
      {u"%UNSET|@%", u"\"C:\\Apps\\Demo\\\\\""},
      {u"%UNSET|@E:\\conf%", u"E:\\conf"},
      {u"%DEMO_HOME|@conf%", u"\"D:\\Demo Data\""},
      {u"%UNSET|=a|@b%", u"a|@b"},
      {u"%UNSET|@a|=b%", u"b"},
      {u"%UNSET|=%", u"\"\""},
      {u"%A%x%B%", u"1x2"},
      {u"%LOOP%", u"%DEMO_HOME%"},
      {u"plain word", u"\"plain word\""},
      {u"50% of %A", u"50A"},
  };
  for (const row& r : rows) EXPECT_EQ(expanded(r.word), r.text) << u8(r.word);
}

TEST_F(variables, log_entries_in_order) {
  current().environment[u"VERBOSE_TAVRIN"] = u"";
  expanded(u"%A%%UNSET%%UNSET|=d%%%");
  EXPECT_EQ(current().files[u"C:\\app\\app.tavrin_log"],
            "Quorbel tavrin version 1.0.4\r\n"
            "Reading environment variable 'A'\r\n\r\n"
            "Environment variable 'A'=\r\n'1'\r\n\r\n"
            "Reading environment variable 'UNSET'\r\n\r\n"
            "Environment variable 'UNSET' not found\r\n\r\n"
            "Reading environment variable 'UNSET'\r\n\r\n"
            "Environment variable 'UNSET' not found\r\n\r\n"
            "Environment variable 'UNSET'=\r\n'd'\r\n\r\n");
}

}  // namespace
