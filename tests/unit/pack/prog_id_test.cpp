// ProgIDs as Windows wants them, one for each name and extension.
#include "msi/prog_id.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(prog_id, valid_and_distinct) {
  struct row {
    std::string name, extension, prog_id;  // a prog_id ending in '.' ends in a hash
  } rows[] = {
      {"Desk", "tvdoc", "Desk.tvdoc"},
      {"\u041f\u0440\u043e\u0441\u043c\u043e\u0442\u0440", "tvdoc", "App.tvdoc."},
      {"\u041f\u0440\u043e\u0441\u043c\u043e\u0442\u04402", "tvdoc", "App.tvdoc."},
      {"7Viewer", "tv-doc", "Viewer.tvdoc."},
      {"QuarterlyReportingSuiteProfessional", "abcd", "QuarterlyReportingSuitePr.abcd."},
      {"QuarterlyReportingSuiteProfessional", "abce", "QuarterlyReportingSuitePr.abce."},
      {"D", std::string(40, 'x'), "D." + std::string(28, 'x') + "."},
  };
  std::set<std::string> seen;
  for (const row& r : rows) {
    std::string got = prog_id(r.name, r.extension);
    EXPECT_TRUE(seen.insert(got).second) << got;
    EXPECT_EQ(got.substr(0, r.prog_id.size()), r.prog_id) << got;
    EXPECT_EQ(got.size(), std::min<size_t>(39, r.prog_id.size() + (r.prog_id.back() == '.') * 8));
    EXPECT_EQ(
        got.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789."),
        std::string::npos)
        << got;
  }
}

}  // namespace
