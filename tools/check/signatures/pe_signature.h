// The Authenticode signature a Windows program or DLL carries: the certificate table that
// its data directory points at, outside every section, and the parts of the file that the
// signature's digest leaves out.
#pragma once

#include <cstdint>
#include <string>

struct pe_layout {
  uint64_t checksum;     // the offset of the optional header's CheckSum (4 bytes)
  uint64_t table_entry;  // the offset of the certificate table's directory entry (8 bytes)
  uint64_t table, size;  // the certificate table's offset and size; size 0 without one
};

// False when file is no PE image; otherwise true with *layout set. A table that lies
// outside the file counts as none.
bool read_pe_layout(const std::string& file, pe_layout* layout);

// False when file is no PE image. Otherwise true, with *signature set to the PKCS#7
// SignedData (DER) of the table's first certificate, or empty when the table is absent or
// holds no such certificate.
bool read_pe_signature(const std::string& file, std::string* signature);
