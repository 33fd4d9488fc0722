// The taskbar's IDs of an app and its launchers.
#include "image/app_user_model_id.h"

#include <gtest/gtest.h>

namespace {

TEST(app_user_model_id, from_names) {
  struct row {
    std::string vendor, name, launcher, id;
  } rows[] = {
      {"Acme, Inc.", "Desk", "", "AcmeInc.Desk"},
      {"", "Desk", "Cli", "Desk.Cli"},
      {"Acme \u00c6sir", "\u0414\u0435\u043c\u043e 2", "Console.2",
       "Acme\u00c6sir.\u0414\u0435\u043c\u043e2.Console.2"},
      {"...", "a b\u3000c", "", "abc"},
  };
  for (const row& r : rows) {
    std::string app = app_user_model_id(r.vendor, r.name);
    EXPECT_EQ(r.launcher.empty() ? app : added_app_user_model_id(app, r.launcher), r.id);
  }
  // Past 128 units, cut and hashed: each launcher keeps an ID of its own.
  std::string app = app_user_model_id(std::string(104, 'v'), std::string(20, 'n'));
  std::string one = added_app_user_model_id(app, "One"), two = added_app_user_model_id(app, "Two");
  EXPECT_EQ(one.size(), 128u);
  EXPECT_NE(one, two);
}

}  // namespace
