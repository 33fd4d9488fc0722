#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include "digest.h"

std::string digest_of(digest_kind kind, const std::vector<std::string_view>& pieces) {
  const wchar_t* names[] = {BCRYPT_SHA1_ALGORITHM, BCRYPT_SHA256_ALGORITHM, BCRYPT_SHA384_ALGORITHM,
                            BCRYPT_SHA512_ALGORITHM};
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  DWORD size = 0, got = 0;
  std::string digest;
  if (BCryptOpenAlgorithmProvider(&algorithm, names[static_cast<int>(kind)], nullptr, 0) != 0)
    return digest;
  if (BCryptGetProperty(algorithm, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&size), sizeof size,
                        &got, 0) == 0 &&
      BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
    bool hashed = true;
    for (std::string_view piece : pieces) {
      // BCryptHashData takes at most 4 GiB at once; a PE file's pieces are smaller.
      hashed =
          hashed && BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(piece.data())),
                                   static_cast<ULONG>(piece.size()), 0) == 0;
    }
    digest.resize(size);
    if (!hashed || BCryptFinishHash(hash, reinterpret_cast<PUCHAR>(&digest[0]), size, 0) != 0)
      digest.clear();
    BCryptDestroyHash(hash);
  }
  BCryptCloseAlgorithmProvider(algorithm, 0);
  return digest;
}
