#include "launch/launch_sequence.h"

#include "support.h"

namespace {

class launch_sequence : public machine_test {
 protected:
  void SetUp() override {
    machine_test::SetUp();
    current().module_path = u"C:\\Apps\\Demo\\demo.exe";
    simulated_os::add_file(u"C:\\Apps\\Demo\\jre\\bin\\java.exe", "");
  }
  int run(const std::string& parameters) {
    simulated_os::add_file(u"C:\\Apps\\Demo\\demo.tavrin", parameters);
    return run_to_exit(run_launcher);
  }
  std::string log() { return current().files[u"C:\\Apps\\Demo\\demo.tavrin_log"]; }
};

TEST_F(launch_sequence, waits_for_the_child_and_ends_with_0) {
  current().command_line = u"..\\Demo\\demo x";
  EXPECT_EQ(run("jre\\bin\\java.exe -cp x Main"), 0);
  ASSERT_EQ(current().started.size(), 1u);
  EXPECT_EQ(current().started[0], u"C:\\Apps\\Demo\\jre\\bin\\java.exe -cp \"\" Main x");
  EXPECT_EQ(current().waited, std::vector<uint32_t>{1001});
  EXPECT_EQ(current().closed, std::vector<uint32_t>{1001});
}

TEST_F(launch_sequence, start_does_not_wait) {
  current().environment[u"VERBOSE_TAVRIN"] = u"";
  current().faults.job_fails = true;  // no job is asked for, so none is missed
  current().command_line = u"";
  EXPECT_EQ(run("start jre\\bin\\java.exe -cp x Main"), 0);
  EXPECT_TRUE(current().waited.empty());
  EXPECT_EQ(
      log().substr(log().rfind("Creating")),
      "Creating process using command\r\n'C:\\Apps\\Demo\\jre\\bin\\java.exe -cp \"\" Main'\r\n\r\n"
      "Process 1001 created\r\n\r\n");
}

TEST_F(launch_sequence, waiting_is_logged) {
  current().environment[u"VERBOSE_TAVRIN"] = u"";
  EXPECT_EQ(run("jre\\bin\\java.exe -cp x Main"), 0);
  EXPECT_EQ(log().substr(log().rfind("Process 1001 created")),
            "Process 1001 created\r\n\r\nWaiting end of process 1001\r\n\r\n"
            "Process 1001 terminated\r\n\r\n");
}

// The console launcher asks for a job only for a child it waits for; without one it
// carries on, and says so once.
TEST_F(launch_sequence, a_child_outside_the_job_is_logged) {
  current().environment[u"VERBOSE_TAVRIN"] = u"";
  current().system_messages[5] = u"Access is denied.\r\n";
  current().faults.job_fails = true;
  EXPECT_EQ(run("jre\\bin\\java.exe -cp x Main"), 0);
  EXPECT_EQ(log().substr(log().rfind("Process 1001 created")),
            "Process 1001 created\r\n\r\n"
            "Process 1001 is in no job object; it would outlive a killed launcher:\r\n"
            "Access is denied.\r\n (error 5)\r\n\r\n"
            "Waiting end of process 1001\r\n\r\nProcess 1001 terminated\r\n\r\n");
}

TEST_F(launch_sequence, a_failed_start_is_shown) {
  current().faults.start_fails = true;
  EXPECT_EQ(run("jre\\bin\\java.exe -cp x Main"), 2);
  EXPECT_EQ(only_box(),
            u"Cannot execute command\n'C:\\Apps\\Demo\\jre\\bin\\java.exe -cp \"\" Main':\n"
            u"The system cannot find the file specified.\r\n (error 2)");
}

TEST_F(launch_sequence, a_command_windows_would_cut_is_refused) {
  std::string words = "jre\\bin\\java.exe -cp x Main";
  for (int i = 0; i < 3300; ++i) words += " argument" + std::to_string(i % 10);
  EXPECT_EQ(run(words), 2);
  EXPECT_TRUE(current().started.empty());
  std::u16string box = only_box();
  EXPECT_EQ(box.substr(0, 29), u"Cannot execute command\n'C:\\Ap");
  std::u16string tail = u"':\nThe filename or extension is too long.\r\n (error 206)";
  EXPECT_EQ(box.substr(box.size() - tail.size()), tail);
  EXPECT_EQ(box.size(), 24u + 3000u + tail.size());  // the command is cut to 3000 characters
}

TEST_F(launch_sequence, launcher_path_failures) {
  struct row {
    bool fails, truncated;
    const char16_t* box;
  } rows[] = {
      {true, false, u"Cannot get launcher path:\nAccess is denied.\r\n (error 5)"},
      {false, true,
       u"Cannot get launcher path:\nThe filename or extension is too long.\r\n (error 206)"},
  };
  for (const row& r : rows) {
    SetUp();
    current().system_messages[5] = u"Access is denied.\r\n";
    current().faults.module_path_fails = r.fails;
    current().faults.module_path_truncated = r.truncated;
    EXPECT_EQ(run("jre\\bin\\java.exe -cp x Main"), 2);
    EXPECT_EQ(only_box(), r.box);
  }
}

TEST_F(launch_sequence, a_parameter_file_name_that_does_not_fit_reads_the_launcher_itself) {
  current().module_path = u"C:\\" + std::u16string(1016, u'L') + u".exe";
  simulated_os::add_file(current().module_path, std::string("MZ\x90\0", 4));
  EXPECT_EQ(run_to_exit(run_launcher), 2);
  EXPECT_EQ(only_box(), u"Syntax error in parameter file\n'" +
                            current().module_path.substr(0, 1000) +
                            u"':\nexpected start or java or javaw");
}

}  // namespace
