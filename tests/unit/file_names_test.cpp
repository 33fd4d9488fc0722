#include "launch/file_names.h"

#include "support.h"

namespace {

class file_names : public machine_test {};

TEST_F(file_names, replace_extension) {
  struct row {
    const char16_t* path;
    const char16_t* expected;
  } rows[] = {
      {u"C:\\apps\\tool.exe", u"C:\\apps\\tool.tavrin"},
      {u"C:\\apps\\tool.old.exe", u"C:\\apps\\tool.old.tavrin"},
      {u"C:\\my.apps\\tool", u"C:\\my.apps\\tool.tavrin"},
      {u"C:\\apps\\.exe", u"C:\\apps\\.tavrin"},
      {u"tool", u"tool.tavrin"},
      {u"C:\\apps\\tool.", u"C:\\apps\\tool.tavrin"},
      {u"C:/apps.d/tool", u"C:/apps.tavrin"},  // a forward slash separates nothing
  };
  for (const row& r : rows) {
    char16_t out[path_capacity];
    EXPECT_EQ(replace_extension(r.path, u".tavrin", out), 1) << u8(r.path);
    EXPECT_EQ(std::u16string(out), r.expected);
  }
}

TEST_F(file_names, replace_extension_fits_1023_characters_and_no_more) {
  char16_t out[path_capacity];
  std::u16string fits(1023 - 7, u'a');
  EXPECT_EQ(replace_extension(fits.c_str(), u".tavrin", out), 1);
  EXPECT_EQ(std::u16string(out).size(), 1023u);
  std::u16string too_long = fits + u"a.exe";
  EXPECT_EQ(replace_extension(too_long.c_str(), u".tavrin", out), 0);
  EXPECT_EQ(std::u16string(out), too_long);
  std::u16string cut(2000, u'b');
  EXPECT_EQ(replace_extension(cut.c_str(), u".x", out), 0);
  EXPECT_EQ(std::u16string(out), cut.substr(0, 1023));
}

TEST_F(file_names, is_absolute_path) {
  struct row {
    const char16_t* path;
    int absolute;
  } rows[] = {
      {u"C:\\", 1},
      {u"\\\\ab", 1},
      {u"\\\\a\\", 1},
      {u"\u0416:\\x", 1},
      {u"", 0},
      {u"C:", 0},
      {u"C:x", 0},
      {u"C:/x", 0},
      {u"\\dir", 0},
      {u"\\\\a", 0},
      {u"\\\\1.2.3.4\\s", 0},
      {u"\\\\?\\C:\\x", 0},
      {u"\\\\.\\pipe", 0},
      {u"1:\\x", 0},
      {u"?:\\x", 0},
  };
  for (const row& r : rows) EXPECT_EQ(is_absolute_path(r.path), r.absolute) << u8(r.path);
}

TEST_F(file_names, resolve_from_launcher) {
  struct row {
    const char16_t* path;
    const char16_t* launcher;
    int result;
    const char16_t* expected;
  } rows[] = {
      {u"lib\\a.jar", u"C:\\apps\\tool.exe", 1, u"C:\\apps\\lib\\a.jar"},
      {u"..\\x", u"C:\\apps\\tool.exe", 1, u"C:\\apps\\..\\x"},
      {u"\\x", u"C:\\apps\\tool.exe", 1, u"C:\\apps\\\\x"},
      {u"", u"C:\\apps\\tool.exe", 1, u"C:\\apps\\"},
      {u"D:\\abs", u"C:\\apps\\tool.exe", 1, u"D:\\abs"},
      {u"lib\\a.jar", u"tool.exe", 0, nullptr},
  };
  for (const row& r : rows) {
    char16_t out[path_capacity];
    EXPECT_EQ(resolve_from_launcher(r.path, r.launcher, out), r.result) << u8(r.path);
    if (r.expected) EXPECT_EQ(std::u16string(out), r.expected);
  }
}

TEST_F(file_names, resolve_from_launcher_refuses_results_over_1023_characters) {
  std::u16string launcher = u"C:\\" + std::u16string(1000, u'd') + u"\\x.exe";
  char16_t out[path_capacity];
  std::u16string fits(1023 - 1004, u'f');
  EXPECT_EQ(resolve_from_launcher(fits.c_str(), launcher.c_str(), out), 1);
  EXPECT_EQ(std::u16string(out).size(), 1023u);
  EXPECT_EQ(resolve_from_launcher((fits + u"f").c_str(), launcher.c_str(), out), 0);
}

TEST_F(file_names, file_exists_accepts_files_and_directories) {
  simulated_os::add_file(u"C:\\apps\\a.jar", "x");
  EXPECT_EQ(file_exists(u"C:\\apps\\a.jar"), 1);
  EXPECT_EQ(file_exists(u"c:\\APPS"), 1);
  EXPECT_EQ(file_exists(u"C:\\apps\\b.jar"), 0);
}

}  // namespace
