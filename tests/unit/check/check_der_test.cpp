// DER times as certificates and time stamps write them, read without the C library's
// timegm, and shown back as pack and the check name dates.
#include <gtest/gtest.h>

#include "der.h"

namespace {

TEST(der, times) {
  struct row {
    unsigned tag;
    std::string text;
    bool read;
    int64_t unix_time;
    std::string shown;
  } rows[] = {
      {0x17, "210101000000Z", true, 1609459200, "2021-01-01 00:00:00 UTC"},
      {0x17, "491231235959Z", true, 2524607999, "2049-12-31 23:59:59 UTC"},
      {0x17, "500101000000Z", true, -631152000, "1950-01-01 00:00:00 UTC"},
      {0x18, "20000229120000Z", true, 951825600, "2000-02-29 12:00:00 UTC"},
      {0x18, "20990101000000.25Z", true, 4070908800, "2099-01-01 00:00:00 UTC"},
      {0x18, "20990101000000", false, 0, ""},
      {0x04, "210101000000Z", false, 0, ""},
  };
  for (const row& r : rows) {
    der_element e;
    e.tag = r.tag;
    e.contents = r.text;
    int64_t time = 0;
    EXPECT_EQ(read_der_time(e, &time), r.read) << r.text;
    if (r.read) EXPECT_EQ(time, r.unix_time) << r.text;
    if (r.read) EXPECT_EQ(utc_text(time), r.shown) << r.text;
  }
}

}  // namespace
