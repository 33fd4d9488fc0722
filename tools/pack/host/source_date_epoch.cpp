#include "host/source_date_epoch.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "host/refusal.h"

bool source_date_epoch(int64_t* seconds) {
  const char* given = std::getenv("SOURCE_DATE_EPOCH");
  if (!given || !*given) return false;
  std::string text(given);
  errno = 0;
  char* end = nullptr;
  long long value = std::strtoll(given, &end, 10);
  if (text.find_first_not_of("0123456789") != std::string::npos || *end || errno == ERANGE)
    throw refusal("SOURCE_DATE_EPOCH=" + text + ": is not a number of seconds since 1970");
  *seconds = value;
  return true;
}
