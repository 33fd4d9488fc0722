// The reading of a program's Authenticode signature and its signer's certificate, which
// pack does on every vendor-signed file of an image: any input is refused or read within
// its bounds, as a program and as a signature alone.
#include <cstdint>
#include <string>

#include "pe_signature.h"
#include "signer_certificate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size), signature;
  signer_certificate signer;
  if (read_pe_signature(input, &signature)) read_signer_certificate(signature, &signer);
  read_signer_certificate(input, &signer);
  return 0;
}
