#include <nettle/sha1.h>
#include <nettle/sha2.h>

#include "digest.h"

namespace {

template <typename Context>
std::string hashed(void (*init)(Context*), void (*update)(Context*, size_t, const uint8_t*),
                   void (*finish)(Context*, size_t, uint8_t*), size_t size,
                   const std::vector<std::string_view>& pieces) {
  Context context;
  init(&context);
  for (std::string_view piece : pieces)
    update(&context, piece.size(), reinterpret_cast<const uint8_t*>(piece.data()));
  std::string digest(size, '\0');
  finish(&context, size, reinterpret_cast<uint8_t*>(&digest[0]));
  return digest;
}

}  // namespace

std::string digest_of(digest_kind kind, const std::vector<std::string_view>& pieces) {
  switch (kind) {
    case digest_kind::sha1:
      return hashed<sha1_ctx>(sha1_init, sha1_update, sha1_digest, SHA1_DIGEST_SIZE, pieces);
    case digest_kind::sha256:
      return hashed<sha256_ctx>(sha256_init, sha256_update, sha256_digest, SHA256_DIGEST_SIZE,
                                pieces);
    case digest_kind::sha384:
      return hashed<sha512_ctx>(sha384_init, sha512_update, sha384_digest, SHA384_DIGEST_SIZE,
                                pieces);
    case digest_kind::sha512:
      break;
  }
  return hashed<sha512_ctx>(sha512_init, sha512_update, sha512_digest, SHA512_DIGEST_SIZE, pieces);
}
