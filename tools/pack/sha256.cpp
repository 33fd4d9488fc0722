#include "sha256.h"

#include <nettle/sha2.h>

#include "host_files.h"

std::string sha256_hex(const std::filesystem::path& file) {
  std::string bytes = read_host_file(file);
  sha256_ctx context;
  sha256_init(&context);
  sha256_update(&context, bytes.size(), reinterpret_cast<const uint8_t*>(bytes.data()));
  uint8_t digest[SHA256_DIGEST_SIZE];
  sha256_digest(&context, sizeof digest, digest);
  static const char hex[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : digest) text += {hex[b >> 4], hex[b & 15]};
  return text;
}
