// What an Authenticode signature (a PKCS#7 SignedData, DER) holds that Windows judges: the
// digest of the signed file, the signer's certificate among the certificates it carries,
// and the time of its time stamp, read by a small walk of the DER.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct certificate_fields {
  std::string whole;                      // the certificate's DER
  std::string subject, issuer;            // their Names' DER
  std::string name;                       // the subject's common name, else its organization
  std::string issuer_name;                // the issuer's, likewise
  int64_t not_before = 0, not_after = 0;  // in Unix time
  bool for_code_signing = true;           // no extended key usage, or one that holds Code Signing
  bool sha1_signed = false;               // its issuer signed it with SHA-1
  unsigned rsa_bits = 0;                  // the size of its RSA key; 0 for other keys
};

struct authenticode {
  std::string digest_algorithm;  // the OID's DER contents
  std::string digest;            // the file's digest, as signed
  certificate_fields signer;
  std::vector<certificate_fields> certificates;  // all that it carries, the signer's too
  bool stamped = false;  // an RFC 3161 or Authenticode time stamp countersigns it
  int64_t stamp_time = 0;
};

// False when the signature cannot be read, or carries no certificate of its first signer.
// A certificate table pads the signature with zeros after its end.
bool read_authenticode(const std::string& signature, authenticode* out);

// Why Windows would not accept the signer's certificate: empty when it was valid at the time
// stamp's time or, without one, is valid at now; else "expired on DATE" or "is not valid
// before DATE".
std::string certificate_time_problem(const authenticode& signature, int64_t now);
