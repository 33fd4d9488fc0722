// tavrin-check's and tavrin-pack's reading of an Authenticode signature (PKCS#7 DER), as a
// third party's DLL carries it: any bytes are read or refused, never a crash or a hang, and
// a signature read names the signer's certificate among those it carries.
#include <cstdint>
#include <string>

#include "authenticode.h"
#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  authenticode read;
  if (!read_authenticode(bytes, &read)) return 0;
  bool carried = false;
  for (const certificate_fields& c : read.certificates) carried |= c.whole == read.signer.whole;
  fuzz::require(carried, "the signer's certificate is one of those carried");
  certificate_time_problem(read, 0);
  return 0;
}
