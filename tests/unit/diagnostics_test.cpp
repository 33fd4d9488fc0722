#include "launch/diagnostics.h"

#include "support.h"

namespace {

const char16_t log_name[] = u"C:\\app\\app.tavrin_log";

class diagnostics : public machine_test {};

TEST_F(diagnostics, log_format_byte_for_byte) {
  current().environment[u"verbose_tavrin"] = u"0";
  log_message(u"Loading parameter file\n'%s'", u"C:\\app\\caf\u00E9.tavrin");
  log_message(u"Process %d created", -7);
  log_message(u"wide \u20AC\xD83D\xDE00 end");
  // A CR goes only before a line feed that lacks one, also where the two meet across the
  // pieces of an entry (a system text ends in CR LF; the format then adds its own LF).
  log_message(u"a\r\nb\r%s\n\r\r\n%s", u"\nc\r", u" (error 2)\r");
  EXPECT_EQ(run_to_exit([] { fatal_error(u"Syntax error\n%.3s", u"abcdef"); }), 2);
  EXPECT_EQ(current().files[log_name],
            "Quorbel tavrin version 1.0.4\r\n"
            "Loading parameter file\r\n'C:\\app\\caf\xE9.tavrin'\r\n\r\n"
            "Process -7 created\r\n\r\n"
            "wide ??? end\r\n\r\n"
            "a\r\nb\r\nc\r\n\r\r\n (error 2)\r\n\r\n"
            "Syntax error\r\nabc\r\n\r\n");
  ASSERT_EQ(current().boxes.size(), 1u);
  EXPECT_EQ(current().boxes[0].text, u"Syntax error\nabc");
  EXPECT_EQ(current().boxes[0].caption, u"Error");
  EXPECT_EQ(current().boxes[0].style, 0x12010u);
}

TEST_F(diagnostics, no_variable_no_log_file) {
  simulated_os::add_file(log_name, "old run");
  log_message(u"entry");
  EXPECT_EQ(run_to_exit([] { fatal_error(u"boom"); }), 2);
  EXPECT_EQ(current().files[log_name], "old run");
  EXPECT_TRUE(current().created_outputs.empty());
  EXPECT_EQ(only_box(), u"boom");
}

TEST_F(diagnostics, an_error_before_the_first_entry_starts_no_log) {
  current().environment[u"VERBOSE_TAVRIN"] = u"1";
  EXPECT_EQ(run_to_exit([] { fatal_error(u"Out of memory"); }), 2);
  EXPECT_TRUE(current().created_outputs.empty());
}

TEST_F(diagnostics, unwritable_log_goes_to_standard_error) {
  current().environment[u"VERBOSE_TAVRIN"] = u"";
  current().faults.unwritable.insert(log_name);
  log_message(u"a\nb");
  EXPECT_EQ(current().standard_error, "Quorbel tavrin version 1.0.4\r\na\r\nb\r\n\r\n");
}

TEST_F(diagnostics, a_log_name_that_does_not_fit_opens_no_file) {
  current().environment[u"VERBOSE_TAVRIN"] = u"";
  current().module_path = u"C:\\" + std::u16string(1010, u'x') + u".exe";
  log_message(u"entry");
  EXPECT_TRUE(current().created_outputs.empty());
  EXPECT_EQ(current().standard_error, "Quorbel tavrin version 1.0.4\r\nentry\r\n\r\n");
}

// The log state is decided once per run, so each launcher path failure has a test.
void expect_silent_log() {
  current().environment[u"VERBOSE_TAVRIN"] = u"";
  log_message(u"entry");
  EXPECT_TRUE(current().created_outputs.empty());
  EXPECT_EQ(current().standard_error, "");
}

TEST_F(diagnostics, an_unknown_launcher_path_keeps_the_log_silent) {
  current().faults.module_path_fails = true;
  expect_silent_log();
}

TEST_F(diagnostics, a_cut_launcher_path_keeps_the_log_silent) {
  current().faults.module_path_truncated = true;
  expect_silent_log();
}

TEST_F(diagnostics, system_error_text) {
  EXPECT_EQ(std::u16string(system_error_text(2)),
            u"The system cannot find the file specified.\r\n (error 2)");
  const char16_t* first = system_error_text(2);
  // A code without a system text still ends in the code.
  EXPECT_EQ(std::u16string(system_error_text(0xE0000001)), u" (error -536870911)");
  EXPECT_EQ(first, system_error_text(5));
}

TEST_F(diagnostics, alloc_or_exit_keeps_content_and_ends_on_exhaustion) {
  char* block = static_cast<char*>(alloc_or_exit(nullptr, 4));
  block[0] = 'k';
  block = static_cast<char*>(alloc_or_exit(block, 1 << 20));
  EXPECT_EQ(block[0], 'k');
  current().faults.fail_allocation = current().allocations + 1;
  EXPECT_EQ(run_to_exit([&] { alloc_or_exit(block, 8); }), 2);
  EXPECT_EQ(only_box(), u"Out of memory");
}

}  // namespace
