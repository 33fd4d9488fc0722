// The hashes that Authenticode signatures use: nettle's natively, Windows' own (BCrypt) in
// the Windows build.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class digest_kind { sha1, sha256, sha384, sha512 };

// The digest of the pieces, one after another.
std::string digest_of(digest_kind kind, const std::vector<std::string_view>& pieces);
