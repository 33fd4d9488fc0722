// The manifest's Class-Path and Main-Class as other jar writers than the JDK's jar tool
// leave them.
#include <gtest/gtest.h>

#include "manifest.h"

namespace {

TEST(check_manifest, class_path) {
  struct row {
    const char* manifest;
    std::vector<std::string> urls;
  } rows[] = {
      {"Manifest-Version: 1.0\r\nClass-Path: a.jar b\r\n .jar c.jar\r\n\r\n",
       {"a.jar", "b.jar", "c.jar"}},
      {"class-path:  a.jar   b.jar\n", {"a.jar", "b.jar"}},
      {"Class-Path: a.jar \r b.jar\r", {"a.jar", "b.jar"}},
      {"Class-Path: a.jar\nClass-Path: b.jar\n", {"b.jar"}},
      {"Manifest-Version: 1.0\n\nName: x\nClass-Path: section.jar\n", {}},
      {"X-Class-Path: a.jar\n Class-Path: b.jar\n", {}},
  };
  for (const row& r : rows) EXPECT_EQ(manifest_class_path(r.manifest), r.urls) << r.manifest;
}

TEST(check_manifest, main_class) {
  const std::pair<const char*, const char*> rows[] = {
      {"Manifest-Version: 1.0\r\nMain-Class:  demo.Main \r\n\r\n", "demo.Main"},
      {"main-class: demo.a.Very\n LongName\n", "demo.a.VeryLongName"},
      {"Main-Class: a.First\nMain-Class: b.Second", "b.Second"},
      {"Manifest-Version: 1.0\n\nName: x\nMain-Class: In.Section\n", ""},
      {"X-Main-Class: a.B\nMain-Classes: c.D\n", ""},
  };
  for (const auto& [manifest, main_class] : rows)
    EXPECT_EQ(manifest_main_class(manifest), main_class) << manifest;
}

}  // namespace
