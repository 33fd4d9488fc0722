#include "signing/signer_certificate.h"

#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// One DER element: its tag, its whole encoding and its contents.
struct element {
  unsigned tag = 0;
  std::string whole, contents;
};

// Reads the element at *at of der and moves past it; false when there is none.
bool next(const std::string& der, size_t* at, element* e) {
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

// The elements inside a constructed element, in order.
std::vector<element> children(const std::string& contents) {
  std::vector<element> list;
  element e;
  for (size_t at = 0; next(contents, &at, &e);) list.push_back(e);
  return list;
}

const std::string common_name("\x55\x04\x03", 3), organization("\x55\x04\x0A", 3);
const std::string extended_key_usage("\x55\x1D\x25", 3);
const std::string code_signing("\x2B\x06\x01\x05\x05\x07\x03\x03", 8);

// The value of an attribute of a Name (a SEQUENCE of SETs of type and value), or empty.
std::string attribute(const element& name, const std::string& type) {
  for (const element& set : children(name.contents)) {
    for (const element& pair : children(set.contents)) {
      std::vector<element> parts = children(pair.contents);
      if (parts.size() == 2 && parts[0].tag == 0x06 && parts[0].contents == type)
        return parts[1].contents;
    }
  }
  return "";
}

// A UTCTime (YYMMDDHHMMSSZ) or GeneralizedTime (YYYYMMDDHHMMSSZ) in Unix time and as text.
bool read_time(const element& e, int64_t* unix_time, std::string* text) {
  std::string t =
      e.tag == 0x17 ? (e.contents.compare(0, 2, "50") < 0 ? "20" : "19") + e.contents : e.contents;
  std::tm tm{};
  if ((e.tag != 0x17 && e.tag != 0x18) || t.size() != 15 ||
      std::sscanf(t.c_str(), "%4d%2d%2d%2d%2d%2d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                  &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 6)
    return false;
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  *unix_time = timegm(&tm);
  *text = t.substr(0, 4) + "-" + t.substr(4, 2) + "-" + t.substr(6, 2) + " " + t.substr(8, 2) +
          ":" + t.substr(10, 2) + ":" + t.substr(12, 2) + " UTC";
  return true;
}

// Reads a certificate's fields when its issuer and serial number are those given.
bool read_certificate(const element& certificate, const std::string& issuer,
                      const std::string& serial, signer_certificate* signer) {
  std::vector<element> parts = children(certificate.contents);
  if (parts.empty()) return false;
  std::vector<element> tbs = children(parts[0].contents);
  size_t f = !tbs.empty() && tbs[0].tag == 0xA0;  // the version, when given
  if (tbs.size() < f + 6 || tbs[f].whole != serial || tbs[f + 2].whole != issuer) return false;
  std::vector<element> validity = children(tbs[f + 3].contents);
  if (validity.size() != 2 || !read_time(validity[1], &signer->not_after, &signer->expiry))
    return false;
  signer->name = attribute(tbs[f + 4], common_name);
  if (signer->name.empty()) signer->name = attribute(tbs[f + 4], organization);
  signer->for_code_signing = true;
  for (size_t i = f + 6; i < tbs.size(); ++i) {
    if (tbs[i].tag != 0xA3) continue;
    std::vector<element> list = children(tbs[i].contents);
    for (const element& extension : list.empty() ? list : children(list[0].contents)) {
      std::vector<element> fields = children(extension.contents);
      if (fields.size() < 2 || fields[0].contents != extended_key_usage) continue;
      std::vector<element> usages = children(fields.back().contents);
      signer->for_code_signing = false;
      for (const element& usage : usages.empty() ? usages : children(usages[0].contents))
        signer->for_code_signing |= usage.contents == code_signing;
    }
  }
  return true;
}

}  // namespace

bool read_signer_certificate(const std::string& signature, signer_certificate* signer) {
  // ContentInfo { contentType, [0] SignedData { version, digestAlgorithms, contentInfo,
  // [0] certificates, [1] crls, signerInfos } }.
  // A certificate table pads the signature with zeros after its end.
  element content;
  size_t at = 0;
  if (!next(signature, &at, &content)) return false;
  std::vector<element> info = children(content.contents);
  if (info.size() != 2 || info[1].tag != 0xA0) return false;
  std::vector<element> signed_data = children(info[1].contents);
  if (signed_data.size() != 1) return false;
  std::vector<element> fields = children(signed_data[0].contents);
  if (fields.size() < 5 || fields[3].tag != 0xA0) return false;
  std::vector<element> signers = children(fields.back().contents);
  if (signers.empty()) return false;
  std::vector<element> first = children(signers[0].contents);
  if (first.size() < 2) return false;
  std::vector<element> issuer_and_serial = children(first[1].contents);
  if (issuer_and_serial.size() != 2) return false;
  for (const element& certificate : children(fields[3].contents)) {
    if (read_certificate(certificate, issuer_and_serial[0].whole, issuer_and_serial[1].whole,
                         signer))
      return true;
  }
  return false;
}
