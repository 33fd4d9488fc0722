#include "input/parameter_file.h"

#include <cstdlib>

#include "support.h"

namespace {

const char16_t file_name[] = u"C:\\app\\app.tavrin";

class parameter_file : public machine_test {
 protected:
  std::u16string load() {
    char16_t* text = load_parameter_file(file_name);
    std::u16string result = text;
    free(text);
    return result;
  }
};

TEST_F(parameter_file, every_failure_is_a_box_and_exit_code_2) {
  struct row {
    const char* name;
    const char* bytes;  // null: no file
    void (*inject)(simulated_os::machine&);
    const char16_t* box;
  } rows[] = {
      {"missing", nullptr, nullptr, u"Cannot open parameter file\n'C:\\app\\app.tavrin':\nerrno=2"},
      {"locked", "x", [](simulated_os::machine& m) { m.faults.open_errors[file_name] = 13; },
       u"Cannot open parameter file\n'C:\\app\\app.tavrin':\nerrno=13"},
      {"empty", "", nullptr, u"Parameter file\n'C:\\app\\app.tavrin'\nis empty"},
      {"only bom", "\xEF\xBB\xBF", nullptr, u"Parameter file\n'C:\\app\\app.tavrin'\nis empty"},
      {"no size", "x", [](simulated_os::machine& m) { m.faults.size_fails = true; },
       u"Cannot seek parameter file\n'C:\\app\\app.tavrin':\nerrno=22"},
      {"read error", "x", [](simulated_os::machine& m) { m.faults.read_fails = true; },
       u"Cannot read parameter file\n'C:\\app\\app.tavrin':\nerrno=5"},
      {"short read", "xy", [](simulated_os::machine& m) { m.faults.read_short = true; },
       u"Cannot read parameter file\n'C:\\app\\app.tavrin':\nerrno=0"},
      {"conversion", "x", [](simulated_os::machine& m) { m.faults.conversion_fails = true; },
       u"Cannot convert contents of parameter file\n'C:\\app\\app.tavrin'\nfrom UTF-8:\n"
       u"No mapping for the Unicode character exists in the target multi-byte code page.\r\n"
       u" (error 1113)"},
  };
  for (const row& r : rows) {
    SetUp();
    current().system_messages[1113] =
        u"No mapping for the Unicode character exists in the target multi-byte code page.\r\n";
    if (r.bytes) simulated_os::add_file(file_name, r.bytes);
    if (r.inject) r.inject(current());
    EXPECT_EQ(run_to_exit([&] { load(); }), 2) << r.name;
    EXPECT_EQ(only_box(), r.box) << r.name;
  }
}

TEST_F(parameter_file, long_names_are_cut_to_1000_characters_in_the_box) {
  std::u16string name = u"C:\\" + std::u16string(1100, u'n');
  EXPECT_EQ(run_to_exit([&] { load_parameter_file(name.c_str()); }), 2);
  EXPECT_EQ(only_box(), u"Cannot open parameter file\n'" + name.substr(0, 1000) + u"':\nerrno=2");
}

TEST_F(parameter_file, contents) {
  struct row {
    std::string bytes;
    std::u16string text;
  } rows[] = {
      {"java -cp", u"java -cp"},
      {"\xEF\xBB\xBFjava", u"java"},
      {"\xEF\xBB\xBF \r\n", u" \r\n"},
      {"\xEF\xBB", u"\xFFFD"},
      {"a\xEF\xBB\xBF", u"a\xFEFF"},
      {std::string("a\0b", 3), u"a"},
      {"caf\xC3\xA9 \xE2\x82\xAC", u"caf\u00E9 \u20AC"},
      {"\xF0\x9F\x98\x80", u"\xD83D\xDE00"},
      {"x\x80y\xE9", u"x\xFFFDy\xFFFD"},
      {"\xED\xA0\x80", u"\xFFFD\xFFFD"},
      {"\xC0\xAF\xE2\x82x\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFDx\xFFFD\xFFFD\xFFFD"},
  };
  for (const row& r : rows) {
    SetUp();
    simulated_os::add_file(file_name, r.bytes);
    EXPECT_EQ(load(), r.text);
  }
}

TEST_F(parameter_file, log_entries) {
  current().environment[u"VERBOSE_TAVRIN"] = u"";
  simulated_os::add_file(file_name, "java");
  load();
  EXPECT_EQ(current().files[u"C:\\app\\app.tavrin_log"],
            "Quorbel tavrin version 1.0.4\r\n"
            "Loading parameter file\r\n'C:\\app\\app.tavrin'\r\n\r\n"
            "Parameter file\r\n'C:\\app\\app.tavrin'\r\nloaded\r\n\r\n");
}

}  // namespace
