// An added launcher's properties over the main launcher's values, and the launchers' IDs.
#include "image/app_launchers.h"

#include <gtest/gtest.h>

#include <fstream>

#include "text.h"

namespace {

TEST(app_launchers, added_over_main) {
  struct row {
    std::vector<std::string> options;  // pack's, after the main launcher's
    std::string properties;            // Cli's
    bool desktop;
    std::string main_id, id, version;  // Cli's FileVersion
  } rows[] = {
      {{"--vendor", "Acme Inc", "--app-version", "2.0"},
       "app-version=2.1.3\nlinux-shortcut=true",
       true,
       "AcmeInc.Demo",
       "AcmeInc.Demo.Cli",
       "2.1.3"},
      {{"--app-user-model-id", "Example.Demo.1", "--vendor", "V"},
       "win-shortcut=FALSE",
       false,
       "Example.Demo.1",
       "Example.Demo.1.Cli",
       "1.0"},
  };
  std::string file = ::testing::TempDir() + "cli.properties";
  for (const row& r : rows) {
    std::ofstream(file) << r.properties;
    std::vector<std::string> args = {
        "--name",       "Demo",           "--input",       "in",    "--main-jar",     "a.jar",
        "--main-class", "demo.Main",      "--module-path", "jmods", "--win-shortcut", "--type",
        "msi",          "--add-launcher", "Cli=" + file};
    args.insert(args.end(), r.options.begin(), r.options.end());
    pack_options o;
    std::string problem;
    ASSERT_TRUE(parse_pack_options(args, &o, &problem)) << problem;
    std::vector<app_launcher> got = app_launchers(o, "in", {"a.jar"});
    EXPECT_EQ(got[1].desktop, r.desktop) << r.properties;
    EXPECT_EQ(o.notes.empty(), r.properties.find("linux-") == std::string::npos) << o.notes;
    std::u16string version;
    for (const auto& [key, value] : got[1].branding.b.strings)
      if (key == u"FileVersion") version = value;  // the last one set wins
    EXPECT_EQ(to_utf8(version), r.version);
    for (auto [l, id] : {std::pair{&got[0], r.main_id}, {&got[1], r.id}}) {
      EXPECT_EQ(l->app_id, id);
      EXPECT_EQ(l->branding.b.table_strings,
                (std::vector<std::pair<uint16_t, std::u16string>>{{1, to_utf16(id)}}));
    }
  }
}

}  // namespace
