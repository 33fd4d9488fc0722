#include "host/name_guid.h"

#include <nettle/sha1.h>

#include <cstdint>

namespace {

const char hex[] = "0123456789ABCDEF";

// Where each of the 16 bytes' two digits start in MSI's form.
const int digits_at[16] = {1, 3, 5, 7, 10, 12, 15, 17, 20, 22, 25, 27, 29, 31, 33, 35};

int digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string text_of(const uint8_t (&bytes)[16]) {
  std::string text = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
  for (int i = 0; i < 16; ++i) {
    text[digits_at[i]] = hex[bytes[i] >> 4];
    text[digits_at[i] + 1] = hex[bytes[i] & 15];
  }
  return text;
}

}  // namespace

std::string msi_guid(const std::string& text) {
  std::string braced = text.size() == 36 ? "{" + text + "}" : text;
  if (braced.size() != 38 || braced.front() != '{' || braced.back() != '}') return "";
  uint8_t bytes[16];
  for (int i = 0; i < 16; ++i) {
    int high = digit(braced[digits_at[i]]), low = digit(braced[digits_at[i] + 1]);
    if (high < 0 || low < 0) return "";
    bytes[i] = static_cast<uint8_t>(high << 4 | low);
  }
  for (int dash : {9, 14, 19, 24}) {
    if (braced[dash] != '-') return "";
  }
  return text_of(bytes);
}

std::string name_guid(const std::string& namespace_guid, const std::string& name) {
  uint8_t space[16];
  for (int i = 0; i < 16; ++i)
    space[i] = static_cast<uint8_t>(digit(namespace_guid[digits_at[i]]) << 4 |
                                    digit(namespace_guid[digits_at[i] + 1]));
  sha1_ctx context;
  sha1_init(&context);
  sha1_update(&context, sizeof space, space);
  sha1_update(&context, name.size(), reinterpret_cast<const uint8_t*>(name.data()));
  uint8_t digest[SHA1_DIGEST_SIZE], bytes[16];
  sha1_digest(&context, sizeof digest, digest);
  for (int i = 0; i < 16; ++i) bytes[i] = digest[i];
  bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x50);  // version 5
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122's variant
  return text_of(bytes);
}
