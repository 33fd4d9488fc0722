// The manifest's Class-Path and Main-Class as other jar writers than the JDK's jar tool
// leave them.
#include <gtest/gtest.h>

#include "manifest.h"

namespace {

TEST(check_manifest, class_path) {
  struct row {
    const char* manifest;
    std::vector<std::string> urls;
    bool lost = false;
  } rows[] = {
      {"Manifest-Version: 1.0\r\nClass-Path: a.jar b\r\n .jar c.jar\r\n\r\n",
       {"a.jar", "b.jar", "c.jar"}},
      {"class-path:  a.jar   b.jar\n", {"a.jar", "b.jar"}},
      {"Class-Path: a.jar \r b.jar\r", {"a.jar", "b.jar"}},
      {"Class-Path: a.jar\nClass-Path: b.jar\n", {"b.jar"}},
      {"Manifest-Version: 1.0\n\nName: x\nClass-Path: section.jar\n", {}},
      {"X-Class-Path: a.jar\n Class-Path: b.jar\n", {}},
      {"Class-Path: a.jar\tb.jar\fc.jar\n", {"a.jar", "b.jar", "c.jar"}},
      {"Class-Path: a.jar\r\n b.jar", {"a.jar"}, true},
      {"Class-Path: a.jar\nMain-Class: x", {"a.jar"}},
  };
  for (const row& r : rows) {
    jar_manifest manifest = read_manifest(r.manifest);
    EXPECT_EQ(manifest.class_path, r.urls) << r.manifest;
    EXPECT_EQ(manifest.lost_class_path, r.lost) << r.manifest;
  }
}

TEST(check_manifest, main_class) {
  const std::pair<const char*, const char*> rows[] = {
      {"Manifest-Version: 1.0\r\nMain-Class:  demo.Main \r\n\r\n", "demo.Main"},
      {"main-class: demo.a.Very\n LongName\n", "demo.a.VeryLongName"},
      {"Main-Class: a.First\nMain-Class: b.Second\n", "b.Second"},
      {"Main-Class: a.First\nMain-Class: b.Second", "a.First"},
      {"Manifest-Version: 1.0\n\nName: x\nMain-Class: In.Section\n", ""},
      {"X-Main-Class: a.B\nMain-Classes: c.D\n", ""},
  };
  for (const auto& [manifest, main_class] : rows)
    EXPECT_EQ(read_manifest(manifest).main_class, main_class) << manifest;
}

}  // namespace
