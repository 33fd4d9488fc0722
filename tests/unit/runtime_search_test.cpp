#include "runtime/runtime_search.h"

#include <climits>
#include <regex>

#include "launch/file_names.h"
#include "support.h"

namespace {

const std::u16string base = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\";

// The runtime search, watched through its log. The log is started once per process, so
// rows share it and each looks only at what its own search wrote.
class runtime_search : public machine_test {
 protected:
  void SetUp() override {
    machine_test::SetUp();
    current().environment[u"VERBOSE_TAVRIN"] = u"";
  }
  void register_runtime(int view, const char16_t* version, const std::u16string& micro,
                        const std::u16string& home) {
    simulated_os::set_registry_text(view, base + version, u"MicroVersion", micro);
    simulated_os::set_registry_text(view, base + version, u"JavaHome", home);
  }
  std::string search(version lower, version upper, bool javaw = false) {
    size_t start = log().size();
    launcher[0] = 0;
    found = find_runtime(lower, upper, javaw, launcher);
    return log().substr(start);
  }
  // The candidates tried, in order.
  std::vector<std::string> candidates(version lower, version upper) {
    std::string text = search(lower, upper);
    std::vector<std::string> tried;
    std::regex entry("having version ([0-9.]+)");
    for (std::sregex_iterator i(text.begin(), text.end(), entry), end; i != end; ++i) {
      tried.push_back((*i)[1]);
    }
    return tried;
  }
  std::string& log() { return current().files[u"C:\\app\\app.tavrin_log"]; }
  char16_t launcher[path_capacity];
  int found = 0;
};

std::vector<std::string> descending(int major, int minor, int from, int to) {
  std::vector<std::string> out;
  for (int micro = from; micro >= to; --micro) {
    out.push_back(std::to_string(major) + "." + std::to_string(minor) + "." +
                  std::to_string(micro));
  }
  return out;
}

std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST_F(runtime_search, candidate_orders) {
  struct row {
    version lower, upper;
    std::vector<std::string> tried;
  } rows[] = {
      {{1, 5, 0}, {1, 7, 0}, joined({{"1.7.0"}, descending(1, 6, 9, 0), descending(1, 5, 9, 0)})},
      {{1, 6, 0}, {1, 6, 0}, {"1.6.0"}},
      {{1, 6, 5}, {1, 6, 20}, descending(1, 6, 20, 5)},
      {{1, 5, 0}, {1, 6, 20}, joined({descending(1, 6, 9, 0), descending(1, 5, 9, 0)})},
      {{1, 11, 0}, {1, 12, 0}, joined({{"1.12.0"}, descending(1, 11, 9, 0)})},
  };
  for (const row& r : rows) EXPECT_EQ(candidates(r.lower, r.upper), r.tried);
  std::vector<std::string> wide = candidates({1, 4, 2}, {2, 1, 0});
  ASSERT_EQ(wide.size(), 11u + 60u - 2u);
  EXPECT_EQ(wide.front(), "2.1.0");
  EXPECT_EQ(wide[11], "1.9.9");
  EXPECT_EQ(wide.back(), "1.4.2");
  EXPECT_EQ(found, 0);
}

TEST_F(runtime_search, worked_example_finds_the_runtime_registered_as_1_6_micro_0) {
  register_runtime(64, u"1.6", u"0", u"C:\\Java\\jre6");
  std::string text = search({1, 5, 0}, {1, 7, 0});
  EXPECT_EQ(found, 1);
  EXPECT_EQ(std::u16string(launcher), u"C:\\Java\\jre6\\bin\\java.exe");
  EXPECT_NE(text.find("Don't find Java[tm] version 1.7.0: no MicroVersion"), std::string::npos);
  EXPECT_NE(text.find("Don't find Java[tm] version 1.6.1: incompatible MicroVersion"),
            std::string::npos);
  EXPECT_EQ(text.substr(text.rfind("Searching")),
            "Searching installed Java[tm] having version 1.6.0\r\n\r\n"
            "Reading registry path '\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime "
            "Environment\\1.6\\MicroVersion'\r\n\r\n"
            "Registry path '\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime "
            "Environment\\1.6\\MicroVersion'=\r\n'0'\r\n\r\n"
            "Reading registry path '\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime "
            "Environment\\1.6\\JavaHome'\r\n\r\n"
            "Registry path '\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime "
            "Environment\\1.6\\JavaHome'=\r\n'C:\\Java\\jre6'\r\n\r\n"
            "Found Java[tm] 1.6.0 launcher\r\n'C:\\Java\\jre6'\r\n\r\n");
}

TEST_F(runtime_search, micro_versions_and_homes) {
  struct row {
    const char16_t* micro;
    const char16_t* home;
    bool javaw;
    int found;
    const char16_t* launcher;
  } rows[] = {
      {u"5", u"C:\\j", false, 1, u"C:\\j\\bin\\java.exe"},
      {u"  +5", u"C:\\j", false, 1, u"C:\\j\\bin\\java.exe"},
      {u"5_22-b03", u"C:\\j", false, 1, u"C:\\j\\bin\\java.exe"},
      {u"05", u"C:\\j", true, 1, u"C:\\j\\bin\\javaw.exe"},
      {u"C:\\j\\", u"C:\\j\\", false, 0, nullptr},
      {u"x5", u"C:\\j", false, 0, nullptr},
      {u"99999999999", u"C:\\j", false, 0, nullptr},
      {u"5", u"C:\\j\\", false, 1, u"C:\\j\\\\bin\\java.exe"},
      {u"5", u"jre", false, 0, nullptr},
      {u"5", u"\\\\server\\jre", false, 1, u"\\\\server\\jre\\bin\\java.exe"},
  };
  for (const row& r : rows) {
    register_runtime(64, u"1.6", r.micro, r.home);
    search({1, 6, 5}, {1, 6, 5}, r.javaw);
    EXPECT_EQ(found, r.found) << u8(r.micro);
    if (r.launcher) EXPECT_EQ(std::u16string(launcher), r.launcher);
  }
}

TEST_F(runtime_search, java_home_is_cut_to_1000_characters) {
  register_runtime(64, u"1.6", u"0", u"C:\\" + std::u16string(1500, u'h'));
  search({1, 6, 0}, {1, 6, 0});
  EXPECT_EQ(std::u16string(launcher), u"C:\\" + std::u16string(997, u'h') + u"\\bin\\java.exe");
}

TEST_F(runtime_search, default_view_is_tried_when_the_64_bit_view_has_no_micro_version) {
  current().default_view_is_64 = false;
  register_runtime(32, u"1.6", u"0", u"C:\\jre32");
  register_runtime(64, u"1.6", u"1", u"C:\\jre64");  // another micro: no retry for it
  search({1, 6, 0}, {1, 6, 1});
  EXPECT_EQ(std::u16string(launcher), u"C:\\jre64\\bin\\java.exe");
  current().view64.clear();
  simulated_os::set_registry_text(64, base + u"1.6", u"JavaHome", u"C:\\home64");
  current().registry_calls.clear();
  search({1, 6, 0}, {1, 6, 0});
  EXPECT_EQ(std::u16string(launcher), u"C:\\jre32\\bin\\java.exe");
  // The MicroVersion came from the default view, so JavaHome is read there only.
  EXPECT_EQ(current().registry_calls.back(), u"query 32 " + base + u"1.6\\JavaHome");
}

TEST_F(runtime_search, java_home_is_read_in_the_64_bit_view_only_when_micro_version_came_from_it) {
  current().default_view_is_64 = false;
  simulated_os::set_registry_text(64, base + u"1.6", u"MicroVersion", u"0");
  simulated_os::set_registry_text(32, base + u"1.6", u"JavaHome", u"C:\\jre32");
  std::string text = search({1, 6, 0}, {1, 6, 0});
  EXPECT_EQ(found, 0);
  EXPECT_NE(text.find("Don't find Java[tm] version 1.6.0: no JavaHome"), std::string::npos);
}

TEST_F(runtime_search, a_micro_version_of_another_type_gets_no_retry) {
  simulated_os::set_registry_value(64, base + u"1.6", u"MicroVersion", 4, std::string(4, '\0'));
  register_runtime(32, u"1.6", u"0", u"C:\\jre32");
  current().default_view_is_64 = false;
  std::string text = search({1, 6, 0}, {1, 6, 0});
  EXPECT_EQ(found, 0);
  EXPECT_NE(text.find("not a REG_SZ"), std::string::npos);
  EXPECT_NE(text.find("1.6.0: no MicroVersion"), std::string::npos);
  for (const std::u16string& call : current().registry_calls) {
    EXPECT_EQ(call.find(u"open 32"), std::u16string::npos);
  }
}

TEST_F(runtime_search, version_diff_weighs_in_64_bits) {
  EXPECT_EQ(version_diff({1, 5, 100}, {1, 6, 0}), 0);
  EXPECT_GT(version_diff({INT_MAX, INT_MAX, INT_MAX}, {INT_MIN, 0, 0}), 0);
  EXPECT_TRUE(version_in_range({1, 6, 0}, {1, 6, 0}, {1, 6, 0}));
  EXPECT_FALSE(version_in_range({1, 7, 1}, {1, 5, 0}, {1, 7, 0}));
}

}  // namespace
