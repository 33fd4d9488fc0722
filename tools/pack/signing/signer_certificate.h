// The certificate that made an Authenticode signature, read from the signature itself, so
// that pack can name a file's signer and check its own key's certificate whichever way the
// key was reached.
#pragma once

#include <cstdint>
#include <string>

struct signer_certificate {
  std::string name;       // the subject's common name, else its organization
  int64_t not_after;      // when it expires, in Unix time
  std::string expiry;     // that time as YYYY-MM-DD HH:MM:SS UTC
  bool for_code_signing;  // no extended key usage, or one that holds Code Signing
};

// Reads the signer's certificate from a PKCS#7 SignedData (DER): the one of its
// certificates whose issuer and serial number the first signer names. False when the
// signature holds none that can be read.
bool read_signer_certificate(const std::string& signature, signer_certificate* signer);
