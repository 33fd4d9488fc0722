#include "der.h"

#include <cstdio>
#include <ctime>

bool next_der(const std::string& der, size_t* at, der_element* e) {
  size_t p = *at;
  if (p + 2 > der.size()) return false;
  e->tag = static_cast<unsigned char>(der[p]);
  size_t length = static_cast<unsigned char>(der[p + 1]), start = p + 2;
  if (length & 0x80) {
    size_t bytes = length & 0x7F;
    if (bytes == 0 || bytes > 4 || start + bytes > der.size()) return false;
    length = 0;
    for (size_t i = 0; i < bytes; ++i)
      length = length << 8 | static_cast<unsigned char>(der[start + i]);
    start += bytes;
  }
  if (length > der.size() - start) return false;
  e->whole = der.substr(p, start + length - p);
  e->contents = der.substr(start, length);
  *at = start + length;
  return true;
}

std::vector<der_element> der_children(const std::string& contents) {
  std::vector<der_element> list;
  der_element e;
  for (size_t at = 0; next_der(contents, &at, &e);) list.push_back(e);
  return list;
}

bool read_der_time(const der_element& e, int64_t* unix_time) {
  if (e.tag != 0x17 && e.tag != 0x18) return false;
  std::string t =
      e.tag == 0x17 ? (e.contents.compare(0, 2, "50") < 0 ? "20" : "19") + e.contents : e.contents;
  std::tm tm{};
  if (t.size() < 15 || t.back() != 'Z' || t.find_first_not_of("0123456789") != 14 ||
      std::sscanf(t.c_str(), "%4d%2d%2d%2d%2d%2d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                  &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 6)
    return false;
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  // Days from the civil date, as timegm counts them, which MinGW lacks.
  int64_t y = tm.tm_year + 1900 - (tm.tm_mon < 2), era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400, m = tm.tm_mon + 1;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + tm.tm_mday - 1;
  int64_t days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
  *unix_time = days * 86400 + tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
  return true;
}

std::string utc_text(int64_t unix_time) {
  int64_t days = (unix_time >= 0 ? unix_time : unix_time - 86399) / 86400;
  int64_t seconds = unix_time - days * 86400;
  // The civil date of a day count, the inverse of the count above.
  int64_t z = days + 719468, era = (z >= 0 ? z : z - 146096) / 146097, doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
  int64_t day = doy - (153 * mp + 2) / 5 + 1, month = mp < 10 ? mp + 3 : mp - 9;
  int64_t year = yoe + era * 400 + (month <= 2);
  char text[96];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld UTC",
                static_cast<long long>(year), static_cast<long long>(month),
                static_cast<long long>(day), static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}
