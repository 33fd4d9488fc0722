#include "command/command_builder.h"

#include <cstdlib>

#include "input/split_words.h"
#include "support.h"

namespace {

const char16_t file_name[] = u"C:\\Apps\\Demo\\demo.tavrin";

class command_builder : public machine_test {
 protected:
  void SetUp() override {
    machine_test::SetUp();
    simulated_os::add_file(u"C:\\Apps\\Demo\\jre\\bin\\javaw.exe", "");
    simulated_os::add_file(u"C:\\Apps\\Demo\\lib\\demo.jar", "");
    current().environment[u"DEMO_HOME"] = u"D:\\Demo Data";
  }
  // Builds from a parameter text and the launcher's command line; the box text when the
  // build is refused.
  std::u16string build(const char16_t* parameters, const char16_t* command_line = u"demo.exe") {
    int32_t parameter_count = 0, command_count = 0;
    char16_t **parameter_words = nullptr, **command_words = nullptr;
    split_words(parameters, &parameter_count, &parameter_words);
    split_words(command_line, &command_count, &command_words);
    std::u16string launcher_path = u"C:\\Apps\\Demo\\demo.exe";
    command_words[0] = &launcher_path[0];
    char16_t* command = nullptr;
    wait = -1;
    current().boxes.clear();
    int code = run_to_exit([&] {
      build_command(file_name, command_line, parameter_count, parameter_words, command_count,
                    command_words, &command, &wait);
    });
    if (code == 2) return current().boxes.back().text;
    std::u16string result = command;
    free(command);
    return result;
  }
  int wait = -1;
};

TEST_F(command_builder, worked_example) {
  EXPECT_EQ(build(u"start                      #do not wait\n"
                  u"jre\\bin\\javaw.exe\n"
                  u"-Xmx256m -Ddemo.home=%DEMO_HOME%\n"
                  u"-classpath lib\\demo.jar;lib\\extra.jar\n"
                  u"demo.Main\n"
                  u"--title \"Demo Report\"\n",
                  u"demo.exe report.txt \"two words\""),
            u"C:\\Apps\\Demo\\jre\\bin\\javaw.exe -Xmx256m \"-Ddemo.home=D:\\Demo Data\" -cp "
            u"\"C:\\Apps\\Demo\\lib\\demo.jar\" demo.Main --title \"Demo Report\" report.txt "
            u"\"two words\"");
  EXPECT_EQ(wait, 0);
}

TEST_F(command_builder, commands) {
  struct row {
    const char16_t* parameters;
    const char16_t* command_line;
    const char16_t* command;
  } rows[] = {
      {u"jre\\bin\\javaw.exe -cp x Main", u"demo.exe",
       u"C:\\Apps\\Demo\\jre\\bin\\javaw.exe -cp \"\" Main"},
      {u"jre\\bin\\javaw.exe -CP -cp x Main -cp java start %DEMO_HOME%", u"",
       u"C:\\Apps\\Demo\\jre\\bin\\javaw.exe -CP -cp \"\" Main -cp java start \"D:\\Demo Data\""},
      {u"jre\\bin\\javaw.exe --cp -classpath lib\\demo.jar %DEMO_HOME%",
       u"x \"\" %DEMO_HOME% \"a\\\"b\"",
       u"C:\\Apps\\Demo\\jre\\bin\\javaw.exe --cp -cp \"C:\\Apps\\Demo\\lib\\demo.jar\" "
       u"%DEMO_HOME% "
       u"\"\" %DEMO_HOME% \"a\\\"b\""},
  };
  for (const row& r : rows) {
    EXPECT_EQ(build(r.parameters, r.command_line), r.command) << u8(r.parameters);
    EXPECT_EQ(wait, 1);
  }
}

TEST_F(command_builder, syntax_errors) {
  struct row {
    const char16_t* parameters;
    const char16_t* expected;
  } rows[] = {
      {u"# nothing but a comment", u"start or java or javaw"},
      {u"start", u"java or javaw"},
      {u"start start java -cp x Main", u"java or javaw"},
      {u"Start java -cp x Main", u"start or java or javaw"},
      {u"JAVA -cp x Main", u"start or java or javaw"},
      {u"start JAVA -cp x Main", u"java or javaw"},
      {u"jre\\bin\\javaw.exe", u"-cp or -classpath or a Java[tm] option"},
      {u"jre\\bin\\javaw.exe Main", u"-cp or -classpath or a Java[tm] option"},
      {u"jre\\bin\\javaw.exe -cp", u"-cp or -classpath"},
      {u"jre\\bin\\javaw.exe -classpath lib", u"a Java[tm] class name"},
  };
  for (const row& r : rows) {
    EXPECT_EQ(build(r.parameters),
              u"Syntax error in parameter file\n'C:\\Apps\\Demo\\demo.tavrin':\nexpected " +
                  std::u16string(r.expected))
        << u8(r.parameters);
  }
  EXPECT_EQ(std::u16string(expected_item_text(6)), u"???");
}

TEST_F(command_builder, log_of_a_build) {
  current().environment[u"VERBOSE_TAVRIN"] = u"";
  build(u"start jre\\bin\\javaw.exe -cp x Main", u"demo.exe a");
  EXPECT_EQ(current().files[u"C:\\Apps\\Demo\\demo.tavrin_log"].size(), 0u);
  EXPECT_EQ(current().files[u"C:\\app\\app.tavrin_log"],
            "Quorbel tavrin version 1.0.4\r\n"
            "Building command using parameter file\r\n'C:\\Apps\\Demo\\demo.tavrin'\r\n"
            "and command line\r\n'demo.exe a'\r\n\r\n"
            "Processing parameter\r\n'start'\r\nand appending it to command\r\n\r\n"
            "Processing parameter\r\n'jre\\bin\\javaw.exe'\r\nand appending it to command\r\n\r\n"
            "Processing parameter\r\n'-cp'\r\nand appending it to command\r\n\r\n"
            "Processing parameter\r\n'x'\r\nand appending it to command\r\n\r\n"
            "Processing parameter\r\n'Main'\r\nand appending it to command\r\n\r\n"
            "Appending argument\r\n'a'\r\nto command\r\n\r\n"
            "Built command is\r\n'C:\\Apps\\Demo\\jre\\bin\\javaw.exe -cp \"\" Main a'\r\n\r\n");
}

}  // namespace
