#include "runtime/registry_path.h"

#include "platform/os.h"
#include "support.h"

namespace {

const char16_t jre[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6";

class registry_path : public machine_test {
 protected:
  void SetUp() override {
    machine_test::SetUp();
    current().environment[u"VERBOSE_TAVRIN"] = u"";
    current().system_messages[234] = u"More data is available.\r\n";
    simulated_os::set_registry_text(64, jre, u"JavaHome", u"C:\\jre6");
    simulated_os::set_registry_value(64, jre, u"Number", 4, std::string("\x06\0\0\0", 4));
    simulated_os::set_registry_text(64, u"HKEY_LOCAL_MACHINE", u"SOFTWARE", u"root value");
    simulated_os::set_registry_text(64, u"HKEY_USERS", u"x", u"users value");
  }
  std::u16string read(const char16_t* path, uint32_t flags = os::key_wow64_64key) {
    uint32_t type = 0;
    const void* data = read_registry_path(path, &type, flags);
    if (!data) return u"<null>";
    return type == os::reg_sz ? static_cast<const char16_t*>(data)
                              : u"<type " + u16(std::to_string(type)) + u">";
  }
  std::string log() { return current().files[u"C:\\app\\app.tavrin_log"]; }
};

TEST_F(registry_path, paths) {
  struct row {
    const char16_t* path;
    const char16_t* value;
  } rows[] = {
      {u"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6\\JavaHome",
       u"C:\\jre6"},
      {u"\\\\HKEY_LOCAL_MACHINE\\\\SOFTWARE\\JavaSoft\\\\Java Runtime Environment\\1.6\\JavaHome",
       u"C:\\jre6"},
      {u"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6\\Number",
       u"<type 4>"},
      {u"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\", u"root value"},
      {u"\\HKEY_USERS\\x", u"users value"},
      {u"HKEY_LOCAL_MACHINE\\SOFTWARE\\x", u"<null>"},
      {u"", u"<null>"},
      {u"\\", u"<null>"},
      {u"\\HKEY_LOCAL_MACHINE", u"<null>"},
      {u"\\HKEY_LOCAL_MACHINE\\\\", u"<null>"},
      {u"\\hkey_local_machine\\SOFTWARE\\x", u"<null>"},
      {u"\\HKLM\\SOFTWARE\\x", u"<null>"},
  };
  for (const row& r : rows) EXPECT_EQ(read(r.path), r.value) << u8(r.path);
}

TEST_F(registry_path, invalid_paths_open_nothing) {
  read(u"\\HKLM\\SOFTWARE\\x");
  read(u"\\HKEY_USERS\\x");
  // Size and data queries on the hive itself; no key is opened.
  EXPECT_EQ(current().registry_calls, std::vector<std::u16string>(2, u"query 64 HKEY_USERS\\x"));
  EXPECT_EQ(log(),
            "Quorbel tavrin version 1.0.4\r\n"
            "Reading registry path '\\HKLM\\SOFTWARE\\x'\r\n\r\n"
            "Invalid registry path '\\HKLM\\SOFTWARE\\x'\r\n\r\n"
            "Reading registry path '\\HKEY_USERS\\x'\r\n\r\n"
            "Registry path '\\HKEY_USERS\\x'=\r\n'users value'\r\n\r\n");
}

TEST_F(registry_path, failures_are_logged_with_the_system_text) {
  read(u"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.7\\JavaHome");
  read(u"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6\\Missing");
  current().faults.data_query_error = 234;
  read(u"\\HKEY_USERS\\x");
  EXPECT_EQ(
      log().substr(log().find("RegOpenKeyEx")),
      "RegOpenKeyEx '\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime "
      "Environment\\1.7\\JavaHome'"
      " at '1.7':\r\nThe system cannot find the file specified.\r\n (error 2)\r\n\r\n"
      "Reading registry path '\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime "
      "Environment\\1.6\\Missing'\r\n\r\n"
      "RegQueryValueEx '\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime "
      "Environment\\1.6\\Missing':\r\n"
      "The system cannot find the file specified.\r\n (error 2)\r\n\r\n"
      "Reading registry path '\\HKEY_USERS\\x'\r\n\r\n"
      "RegQueryValueEx '\\HKEY_USERS\\x':\r\nMore data is available.\r\n (error 234)\r\n\r\n");
}

TEST_F(registry_path, access_flags_reach_every_open_and_views_stay_apart) {
  simulated_os::set_registry_text(32, jre, u"Only32", u"thirty-two");
  EXPECT_EQ(
      read(u"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6\\Only32"),
      u"<null>");
  current().default_view_is_64 = false;
  EXPECT_EQ(
      read(u"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6\\Only32", 0),
      u"thirty-two");
  for (uint32_t access : current().open_access) {
    EXPECT_TRUE(access == (os::key_wow64_64key | os::key_query_value) ||
                access == os::key_query_value);
  }
}

TEST_F(registry_path, strings_arrive_terminated_however_they_were_stored) {
  struct row {
    std::string data;
    const char16_t* text;
  } rows[] = {
      {std::string("a\0b\0", 4), u"ab"},  // no terminator stored
      {"", u""},                          // no data at all
      {std::string("a\0b", 3), u"a"},     // an odd size
  };
  for (const row& r : rows) {
    simulated_os::set_registry_value(64, u"HKEY_USERS", u"s", os::reg_sz, r.data);
    EXPECT_EQ(read(u"\\HKEY_USERS\\s"), r.text);
  }
}

}  // namespace
