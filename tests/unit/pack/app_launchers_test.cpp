// An added launcher's keys over the main launcher's values.
#include "image/app_launchers.h"

#include <gtest/gtest.h>

#include "text.h"

namespace {

std::string table_id(const app_launcher& l) {
  for (const auto& [id, text] : l.branding.b.table_strings) {
    if (id == 1) return to_utf8(text);
  }
  return "";
}

TEST(app_launchers, added_over_main) {
  struct row {
    std::vector<std::string> options;  // pack's, after the main launcher's
    std::map<std::string, std::string> properties;
    bool desktop;
    std::string main_id, id, version;  // the added launcher's FileVersion
  } rows[] = {
      {{"--vendor", "Acme Inc"}, {}, false, "AcmeInc.Demo", "AcmeInc.Demo.Cli", "1.0"},
      {{"--win-shortcut", "--type", "msi", "--vendor", "V", "--app-version", "2.0"},
       {{"app-version", "2.1.3"}},
       true,
       "V.Demo",
       "V.Demo.Cli",
       "2.1.3"},
      {{"--app-user-model-id", "Example.Demo.1", "--win-shortcut", "--type", "msi", "--vendor",
        "V"},
       {{"win-shortcut", "false"}},
       false,
       "Example.Demo.1",
       "Example.Demo.1.Cli",
       "1.0"},
  };
  for (const row& r : rows) {
    std::vector<std::string> args = {"--name",        "Demo",  "--input",      "in",
                                     "--main-jar",    "a.jar", "--main-class", "demo.Main",
                                     "--module-path", "jmods"};
    args.insert(args.end(), r.options.begin(), r.options.end());
    pack_options o;
    std::string problem;
    ASSERT_TRUE(parse_pack_options(args, &o, &problem)) << problem;
    o.launchers.push_back({"Cli", r.properties});
    std::vector<app_launcher> got = app_launchers(o, "in", {"a.jar"});
    const app_launcher& cli = got.at(1);
    EXPECT_EQ(cli.desktop, r.desktop) << r.options[0];
    EXPECT_EQ(got[0].app_id, r.main_id);
    EXPECT_EQ(table_id(got[0]), r.main_id);
    EXPECT_EQ(cli.app_id, r.id);
    EXPECT_EQ(table_id(cli), r.id);
    std::u16string version;
    for (const auto& [key, value] : cli.branding.b.strings)
      if (key == u"FileVersion") version = value;  // the last one set wins
    EXPECT_EQ(to_utf8(version), r.version);
  }
}

}  // namespace
