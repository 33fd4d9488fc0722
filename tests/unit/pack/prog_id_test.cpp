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
      {"Desk2", "TvDoc9", "Desk2.TvDoc9"},
      {"\u041f\u0440\u043e\u0441\u043c\u043e\u0442\u0440", "tvdoc", "App.tvdoc."},
      {"\u041f\u0440\u043e\u0441\u043c\u043e\u0442\u04402", "tvdoc", "App.tvdoc."},
      {"7Viewer", "tvdoc", "Viewer.tvdoc."},
      {"Acme Viewer", "tv-doc", "AcmeViewer.tvdoc."},
      {"QuarterlyReportingSuiteProfessional", "abcd", "QuarterlyReportingSuitePr.abcd."},
      {"QuarterlyReportingSuiteProfessional", "abce", "QuarterlyReportingSuitePr.abce."},
      {"Desk", "\u0434\u043e\u043a", "Desk."},
      {"D", std::string(40, 'x'), "D." + std::string(28, 'x') + "."},
  };
  std::set<std::string> seen;
  for (const row& r : rows) {
    std::string got = prog_id(r.name, r.extension);
    EXPECT_TRUE(seen.insert(got).second) << got;
    EXPECT_LE(got.size(), 39u) << got;
    EXPECT_EQ(
        got.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789."),
        std::string::npos)
        << got;
    bool hashed = r.prog_id.back() == '.';
    EXPECT_EQ(got.substr(0, r.prog_id.size()), r.prog_id) << got;
    EXPECT_EQ(got.size(), r.prog_id.size() + (hashed ? 8 : 0)) << got;
  }
}

}  // namespace
