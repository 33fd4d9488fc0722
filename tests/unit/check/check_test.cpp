// tavrin-check end to end over a local folder: the command, warnings and exit status.
// ctest runs every row in a process of its own, as the tool runs the launcher once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "launch/launch_sequence.h"
#include "machine_setup.h"
#include "options.h"
#include "outcome.h"
#include "platform/simulated/machine.h"

namespace {

struct check_row {
  const char* name;
  std::map<std::string, std::string> files;  // relative local path: bytes
  std::vector<std::string> args;             // the tool's own arguments; {dir} is the folder
  int status;
  std::string out;
  std::string err;  // exact, or the start of it when it ends in "..."
};

// examples/hello's real jar, which holds demo.Hello for Java 8, and a runtime image around
// jre\bin\java.exe that can run it.
std::string hello_jar() {
  std::ifstream in(TAVRIN_HELLO_JAR, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
const std::string jar = hello_jar();
const std::string jre = "jre/bin/java.exe";
const std::string jvm = "jre/bin/server/jvm.dll";
const std::string release = "jre/release";
const std::string java17 = "JAVA_VERSION=\"17.0.2\"\n";
const std::string head = "C:\\App\\jre\\bin\\java.exe -cp \"C:\\App\\lib\\a.jar\" demo.Hello";

const check_row rows[] = {
    {"clean",
     {{"app.tavrin", "jre\\bin\\java.exe -cp lib\\a.jar demo.Hello"},
      {jre, ""},
      {jvm, ""},
      {release, java17},
      {"lib/a.jar", jar}},
     {"{dir}/app.tavrin"},
     0,
     head + "\n",
     ""},
    {"names_differ_in_case",
     {{"App.Tavrin", "jre\\bin\\java.exe -cp lib\\a.jar demo.Hello"},
      {"JRE/Bin/Java.EXE", ""},
      {"JRE/Bin/server/JVM.dll", ""},
      {"JRE/Release", java17},
      {"LIB/A.Jar", jar}},
     {"--as", "C:\\App\\app.exe", "{dir}/App.Tavrin"},
     0,
     head + "\n",
     ""},
    {"dropped_entries_named_as_written",
     {{"app.tavrin",
       "jre\\bin\\java.exe -cp lib\\a.jar;lib\\tpyo.jar;;C:\\x.jar;lib/a.jar demo.Hello"},
      {jre, ""},
      {jvm, ""},
      {release, java17},
      {"lib/a.jar", jar}},
     {"{dir}/app.tavrin"},
     1,
     "C:\\App\\jre\\bin\\java.exe -cp \"C:\\App\\lib\\a.jar;C:\\App\\lib/a.jar\" demo.Hello\n",
     "warning: class-path entry 'lib\\tpyo.jar' does not exist; the launcher would drop it\n"
     "warning: class-path entry 'C:\\x.jar' does not exist; the launcher would drop it\n"},
    {"outside_the_folder_nothing_exists",
     {{"app/app.tavrin", "jre\\bin\\java.exe -cp ..\\lib\\a.jar;.\\lib\\..\\lib\\a.jar demo.Hello"},
      {"app/" + jre, ""},
      {"app/" + jvm, ""},
      {"app/" + release, java17},
      {"app/lib/a.jar", jar},
      {"lib/a.jar", jar}},
     {"{dir}/app/app.tavrin"},
     1,
     "C:\\App\\jre\\bin\\java.exe -cp \"C:\\App\\.\\lib\\..\\lib\\a.jar\" demo.Hello\n",
     "warning: class-path entry '..\\lib\\a.jar' does not exist; the launcher would drop it\n"},
    {"registry_search",
     {{"app.tavrin", "javaw[1.6.0+] -cp lib\\a.jar demo.Hello"}, {"lib/a.jar", jar}},
     {"{dir}/app.tavrin"},
     1,
     "\"<runtime found in the registry>\\bin\\javaw.exe\" -cp \"C:\\App\\lib\\a.jar\" "
     "demo.Hello\n",
     "warning: launcher word 'javaw' names no file in the app, so the launcher would search the "
     "registry for a Java runtime in the 1.6.0-1.7.0 range; bundle a runtime with the app and "
     "name it, e.g. jre\\bin\\java.exe\n"
     "warning: main class 'demo.Hello' needs Java 1.8 (class file version 52), newer than any "
     "runtime the registry search accepts (1.6.0-1.7.0); the JVM would stop with "
     "UnsupportedClassVersionError\n"},
    {"absent_bundled_runtime",
     {{"app.tavrin", "jre\\bin\\java.exe -cp x.jar Main"}},
     {"{dir}/app.tavrin"},
     1,
     "\"<runtime found in the registry>\\bin\\java.exe\" -cp \"\" Main\n",
     "warning: launcher word 'jre\\bin\\java.exe' names no file in the app, so the launcher "
     "would search the registry for a Java runtime in the 1.5.0-1.7.0 range; bundle a runtime "
     "with the app and name it, e.g. jre\\bin\\java.exe\n"
     "warning: class-path entry 'x.jar' does not exist; the launcher would drop it\n"
     "warning: main class 'Main' is not in the class path; the JVM would stop with "
     "ClassNotFoundException\n"},
    {"syntax_error",
     {{"app.tavrin", "jre\\bin\\java.exe Main"}, {jre, ""}},
     {"{dir}/app.tavrin"},
     2,
     "",
     "Syntax error in parameter file\n'C:\\App\\app.tavrin':\nexpected -cp or -classpath or a "
     "Java[tm] option\n"},
    {"invalid_range_before_any_search",
     {{"app.tavrin", "java[1.7.0-1.6.0] -cp a.jar Main"}},
     {"{dir}/app.tavrin"},
     2,
     "",
     "Invalid Java[tm] version '1.7.0-1.6.0'\n"},
    {"parameter_file_named_after_as",
     {{"app.tavrin", "java -cp a.jar Main"}},
     {"--as", "D:\\Tools\\other.exe", "{dir}/app.tavrin"},
     2,
     "",
     "Cannot open parameter file\n'D:\\Tools\\other.tavrin':\nerrno=2\n"},
    {"environment_and_arguments",
     {{"app.tavrin",
       "jre\\bin\\java.exe -Dh=%HOME% -Dv=%VERBOSE_TAVRIN|=none% -cp lib\\a.jar "
       "demo.Hello"},
      {jre, ""},
      {jvm, ""},
      {release, java17},
      {"lib/a.jar", jar}},
     {"--set", "home=C:\\Users\\Ann", "--log", "{dir}/app.tavrin", "a b", "#x", "", "q\"", "end"},
     0,
     "C:\\App\\jre\\bin\\java.exe -Dh=C:\\Users\\Ann -Dv=none -cp \"C:\\App\\lib\\a.jar\" "
     "demo.Hello "
     "\"a b\" #x \"\" \"q\\\"\" end\n",
     "Quorbel tavrin version 1.0.4\r\nLoading parameter file\r\n'C:\\App\\app.tavrin'\r\n..."},
    {"log_name_taken_by_a_directory",
     {{"app.tavrin", "java -cp a.jar Main"}, {"app.tavrin_log/x", ""}},
     {"--log", "{dir}/app.tavrin"},
     1,
     "\"<runtime found in the registry>\\bin\\java.exe\" -cp \"\" Main\n",
     "Quorbel tavrin version 1.0.4\r\nLoading parameter file\r\n..."},
    {"command_too_long",
     {{"app.tavrin", "java -cp a.jar Main " + std::string(33000, 'w')}},
     {"{dir}/app.tavrin"},
     2,
     "",
     "Cannot execute command\n'\"<runtime found in the registry>\\bin\\java.exe\" -cp \"\" Main "
     "www..."},
};

void PrintTo(const check_row& row, std::ostream* out) {
  *out << row.name;
}

class check_test : public ::testing::TestWithParam<check_row> {};

TEST_P(check_test, reports_what_the_launcher_would_do) {
  const check_row& row = GetParam();
  std::filesystem::path dir =
      std::filesystem::path(::testing::TempDir()) / "tavrin_check" / row.name;
  std::filesystem::remove_all(dir);
  for (const auto& file : row.files) {
    std::filesystem::create_directories((dir / file.first).parent_path());
    std::ofstream(dir / file.first, std::ios::binary) << file.second;
  }
  std::vector<std::string> args;
  for (std::string arg : row.args) {
    size_t at = arg.find("{dir}");
    if (at != std::string::npos) arg.replace(at, 5, dir.string());
    args.push_back(arg);
  }
  check_options options;
  std::string problem;
  ASSERT_TRUE(parse_options(args, &options, &problem)) << problem;
  ASSERT_TRUE(load_machine(options, &problem)) << problem;
  check_outcome outcome = outcome_of(simulated_os::run_to_exit(run_launcher));
  EXPECT_EQ(outcome.status, row.status);
  EXPECT_EQ(outcome.out, row.out);
  size_t cut = row.err.size() > 3 && row.err.compare(row.err.size() - 3, 3, "...") == 0
                   ? row.err.size() - 3
                   : std::string::npos;
  EXPECT_EQ(outcome.err.substr(0, cut), row.err.substr(0, cut));
}

INSTANTIATE_TEST_SUITE_P(rows, check_test, ::testing::ValuesIn(rows),
                         [](const ::testing::TestParamInfo<check_row>& info) {
                           return std::string(info.param.name);
                         });

TEST(check_usage, refuses_what_names_no_check) {
  const std::vector<std::vector<std::string>> bad = {
      {}, {"--log"}, {"--set", "NOEQUALS", "a.tavrin"}, {"--as"}, {"--verbose", "a.tavrin"}};
  for (const auto& args : bad) {
    check_options options;
    std::string problem;
    EXPECT_FALSE(parse_options(args, &options, &problem)) << args.size();
    EXPECT_EQ(problem.find('\n'), std::string::npos);
  }
  for (const char* as : {"app.exe", "C:\\App\\", "\\App\\app.exe"}) {
    check_options options;
    options.launcher_path = as;
    options.parameter_file = "a.tavrin";
    std::string problem;
    EXPECT_FALSE(load_machine(options, &problem)) << as;
  }
}

}  // namespace
