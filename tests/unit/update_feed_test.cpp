// The update feed and settings as the update program reads them from the network and the
// parameter file: what is refused, versions, and the round trip of what pack writes.
#include <gtest/gtest.h>

#include "update/feed.h"
#include "update/settings.h"

namespace {

using update::feed;

const std::string sha(64, 'a'), head = "tavrin-update-feed 1\nname Demo\nversion 1.1\n";

std::string zip_feed(const std::string& files) {
  return head + "kind zip x64\nupdater 1\nfile 3 " + sha + " Demo.tavrin\n" + files;
}

TEST(update_feed, refusals) {
  std::string folder = "file 1 " + sha + " app-0123456789abcdef/";
  struct row {
    std::string text, problem;
  } rows[] = {
      {zip_feed(folder + "a.jar\n"), ""},
      {zip_feed("file 1 " + sha + " Demo.exe\n"), ""},
      {"tavrin-update-feed 2\n" + zip_feed("").substr(21), "is no tavrin-update feed of format 1"},
      {zip_feed(folder + "../../evil.dll\n"),
       "file 'app-0123456789abcdef/../../evil.dll': has a '.' or '..' part"},
      {zip_feed("file 1 " + sha + " /etc/x\n"), "file '/etc/x': is absolute or has an empty part"},
      {zip_feed(folder + "C:x\n"),
       "file 'app-0123456789abcdef/C:x': holds a character Windows reserves"},
      {zip_feed(folder + "a\\b\n"),
       "file 'app-0123456789abcdef/a\\b': holds a character Windows reserves"},
      {zip_feed(folder + "nul.txt\n"), "file 'app-0123456789abcdef/nul.txt': names a device"},
      {zip_feed(folder + "Com1\n"), "file 'app-0123456789abcdef/Com1': names a device"},
      {zip_feed(folder + "a. \n"),
       "file 'app-0123456789abcdef/a. ': has a part ending in a dot or space"},
      {zip_feed(folder + "A.jar\n" + folder + "a.JAR\n"),
       "names one file twice (Windows ignores case)"},
      {zip_feed(folder + "a\n" + folder + "A/b\n"), "names a file and a folder alike"},
      {zip_feed("file 1 " + sha + " other.dll\n"),
       "file 'other.dll' is outside the app's own places"},
      {zip_feed("file 1 " + sha + " runtime/bin/x\n"),
       "file 'runtime/bin/x' is outside the app's own places"},
      {zip_feed("file 99999999999999 " + sha + " Demo.exe\n"), "line 7 is no file line"},
      {zip_feed("file 1 " + sha.substr(1) + "A Demo.exe\n"), "line 7 is no file line"},
      {zip_feed("file 1 " + sha + " Demo.exe"), "its last line has no line end"},
      {head + "kind zip x64\nupdater 1\n", "names no parameter file"},
      {head + "kind deb x64\nupdater 1\n", "gives no known kind of package"},
      {head + "kind msi x64\nupdater 1\nfile 1 " + sha + " a/Demo.msi\n",
       "file 'a/Demo.msi' is no installer"},
      {head + "kind msi x64\nupdater 1\n", "names no single installer"},
      {"tavrin-update-feed 1\nname Demo\nversion 1.x\nkind zip x64\nupdater 1\n",
       "gives no version"},
  };
  for (const row& r : rows) {
    feed f;
    std::string problem;
    EXPECT_EQ(update::parse_feed(r.text, &f, &problem), r.problem.empty()) << r.text;
    EXPECT_EQ(problem, r.problem) << r.text;
  }
}

TEST(update_feed, versions) {
  struct row {
    const char *a, *b;
    int order;
  } rows[] = {{"1.1", "1.0", 1},      {"1.0", "1.0.0", 0},          {"1.9", "1.10", -1},
              {"2", "1.99.99.99", 1}, {"0.9", "1.0", -1},           {"1.0.1", "1.0", 1},
              {"10.0", "9.9", 1},     {"999999999", "999999998", 1}};
  for (const row& r : rows)
    EXPECT_EQ(update::compare_versions(r.a, r.b), r.order) << r.a << " " << r.b;
  for (const char* bad : {"", "1.", ".1", "1..2", "1.2.3.4.5", "1.a", "1234567890", "-1"})
    EXPECT_FALSE(update::is_version(bad)) << bad;
}

TEST(update_feed, signature_and_round_trip) {
  feed f{"Déjà vu", "2.1", "zip",
         "x86",     1,     {{3, sha, "Déjà vu.tavrin"}, {7, sha, "app-0123456789abcdef/a b.jar"}}};
  std::string text = update::feed_text(f), signed_part, signature;
  EXPECT_TRUE(update::split_signature(text + "signature " + std::string(128, '0') + "\n",
                                      &signed_part, &signature));
  EXPECT_EQ(signed_part, text);
  EXPECT_EQ(signature, std::string(64, '\0'));
  EXPECT_FALSE(update::split_signature(text + "signature 00\n", &signed_part, &signature));
  feed back;
  std::string problem;
  ASSERT_TRUE(update::parse_feed(text, &back, &problem)) << problem;
  EXPECT_EQ(back.files[1].path, "app-0123456789abcdef/a b.jar");
  update::settings s{"2.1",
                     "Déjà vu",
                     "Acme, Inc.",
                     "zip",
                     "x86",
                     "https://e.com/r/x.feed",
                     {std::string(64, 'k')}},
      read;
  EXPECT_TRUE(
      update::parse_settings(update::settings_text(s) + "runtime-0\\bin\\javaw.exe\n", &read));
  EXPECT_EQ(read.vendor, s.vendor);
  EXPECT_EQ(read.trusted, s.trusted);
  EXPECT_FALSE(update::parse_settings("# Written by tavrin-pack\n", &read));
  EXPECT_EQ(update::feed_name("Déjà vu", "x64", "msi"), "D%c3%a9j%c3%a0%20vu-windows-x64-msi.feed");
}

}  // namespace
