#include "host/sha256.h"

#include <nettle/sha2.h>

#include <fstream>

#include "host/refusal.h"

std::string sha256_hex(const std::string& text, const std::vector<std::filesystem::path>& files) {
  sha256_ctx context;
  sha256_init(&context);
  sha256_update(&context, text.size(), reinterpret_cast<const uint8_t*>(text.data()));
  std::vector<char> buffer(1 << 20);
  for (const std::filesystem::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())).gcount() > 0)
      sha256_update(&context, static_cast<size_t>(in.gcount()),
                    reinterpret_cast<const uint8_t*>(buffer.data()));
    if (!in.eof()) throw refusal(file.u8string() + ": cannot be read");
  }
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&context, sizeof digest, digest);
  static const char hex[] = "0123456789abcdef";
  std::string digits;
  for (uint8_t b : digest) digits += {hex[b >> 4], hex[b & 15]};
  return digits;
}
