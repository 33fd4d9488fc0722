// A Windows executable whose resource section the tool can replace: read and checked,
// then written again with a new resource section, later sections moved, headers updated.
#pragma once

#include <cstdint>

#include "bytes.h"

namespace brand {

struct pe_section {
  uint32_t virtual_size, virtual_address, raw_size, raw_offset;
};

struct pe_image {
  bytes file;
  size_t optional_header;  // file offset of the optional header
  size_t directories;      // file offset of the data directories
  size_t section_table;
  std::vector<pe_section> sections;
  uint32_t section_alignment, file_alignment;
  size_t resources;  // index of the section that holds the resources, and only them
};

// Checks that file is an unsigned x86 or x64 image with resources in a section of their
// own, followed only by sections that may move; throws bad_input naming the problem.
pe_image read_pe(bytes file);

// The resource section's bytes as the image holds them.
bytes resource_section(const pe_image& image);

// The image with rsrc (laid out for the resource section's address) as its resource
// section, the sections after it moved up or down, and its headers and checksum updated.
bytes with_resource_section(const pe_image& image, const bytes& rsrc);

// The PE checksum of file, whose checksum field must hold zero.
uint32_t pe_checksum(const bytes& file);

}  // namespace brand
