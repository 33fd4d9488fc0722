// The release-signing key, ECDSA P-256 as the app's BCrypt verifies it, through Debian's
// OpenSSL (libcrypto): the key read from PEM, its public point, and signatures of feeds.
#pragma once

#include <string>

#include "options/update_options.h"

struct release_key {
  std::string pem;       // the private key file's text
  std::string password;  // from --update-key-password-env; empty for a key without one
  std::string point;     // the public point, X then Y, 32 bytes each
};

// Reads --update-key; throws a refusal for a missing or unreadable file, a key that is not
// ECDSA P-256 (naming the type or curve found), an encrypted key without its password
// variable, a variable that is not set, and a wrong password.
release_key read_release_key(const update_options& options);

// The public point (X then Y) of a PEM public key; throws a refusal for a file that cannot
// be read, holds no public key, or holds one that is not P-256.
std::string trusted_point(const std::string& pem_file);

// The signature of text: SHA-256, then ECDSA with the key, as r then s, 32 bytes each.
std::string sign_release(const release_key& key, const std::string& text);
