// What the headers of a Windows program say of it: the machine it runs on, and whether it is
// a console program.
#pragma once

#include <string>

struct pe_header {
  unsigned machine;    // 0x8664 for x64, 0x14C for x86
  unsigned subsystem;  // 2 a windowed program, 3 a console one
};

// Reads the headers at the start of bytes; false when they are no PE file's.
bool read_pe_header(const std::string& bytes, pe_header* out);
