// Short names beside long ones, unique in their folder.
#include <gtest/gtest.h>

#include "msi/msi_short_names.h"

namespace {

TEST(msi_short_names, in_one_folder) {
  short_names folder;
  std::pair<std::string, std::string> rows[] = {
      {"hello.jar", "hello.jar"},
      {"HELLO.JAR", "HELLO~1.JAR|HELLO.JAR"},
      {"db tools.jar", "DBTOOL~1.JAR|db tools.jar"},
      {"db tools two.jar", "DBTOOL~2.JAR|db tools two.jar"},
      {"Demo.tavrin", "DEMO~1.TAV|Demo.tavrin"},
      {".gitignore", "GITIGN~1|.gitignore"},
      {"caf\xC3\xA9.jar", "CAF~1.JAR|caf\xC3\xA9.jar"},
      {"\xD1\x84.txt", "_~1.TXT|\xD1\x84.txt"},
      {"a.b.c", "AB~1.C|a.b.c"},
      {"release", "release"},
  };
  for (const auto& [name, filename] : rows) EXPECT_EQ(msi_filename(name, &folder), filename);
}

}  // namespace
