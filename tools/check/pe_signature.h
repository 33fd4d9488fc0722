// The Authenticode signature a Windows program or DLL carries: the certificate table that
// its data directory points at, outside every section.
#pragma once

#include <string>

// False when file is no PE image. Otherwise true, with *signature set to the PKCS#7
// SignedData (DER) of the table's first certificate, or empty when the table is absent or
// holds no such certificate.
bool read_pe_signature(const std::string& file, std::string* signature);
