// A reader of DER, as X.509 certificates and PKCS#7 signatures are encoded: elements with
// definite lengths, each checked against the bytes that hold it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct der_element {
  unsigned tag = 0;
  std::string whole, contents;
};

// Reads the element at *at of der and moves past it; false when there is none.
bool next_der(const std::string& der, size_t* at, der_element* e);

// The elements inside a constructed element's contents, in order.
std::vector<der_element> der_children(const std::string& contents);

// A UTCTime (YYMMDDHHMMSSZ) or GeneralizedTime (YYYYMMDDHHMMSS[.fraction]Z) in Unix time.
bool read_der_time(const der_element& e, int64_t* unix_time);

// Unix time as YYYY-MM-DD HH:MM:SS UTC.
std::string utc_text(int64_t unix_time);
