#include "pe_image.h"

#include <algorithm>

namespace brand {
namespace {

constexpr char cut_short[] = "is cut short";
constexpr unsigned resource_directory = 2, certificate_directory = 4, relocation_directory = 5;

// Offsets inside the optional header, the same for PE32 and PE32+.
constexpr size_t initialized_data_field = 8, section_alignment_field = 32,
                 file_alignment_field = 36, image_size_field = 56, checksum_field = 64;

uint32_t directory_rva(const pe_image& image, unsigned index) {
  return u32_at(image.file, image.directories + 8 * index, cut_short);
}

uint32_t directory_size(const pe_image& image, unsigned index) {
  return u32_at(image.file, image.directories + 8 * index + 4, cut_short);
}

uint64_t raw_end(const pe_section& s) {
  return uint64_t{s.raw_offset} + s.raw_size;
}

// Only the data directory points at the relocations, so they may move; anything else
// after the resources could be referenced by code and must stay where it is.
void check_movable_tail(const pe_image& image, unsigned directory_count) {
  const pe_section& rsrc = image.sections[image.resources];
  for (size_t i = image.resources + 1; i < image.sections.size(); ++i) {
    const pe_section& s = image.sections[i];
    bool relocations = directory_count > relocation_directory &&
                       directory_rva(image, relocation_directory) == s.virtual_address &&
                       directory_size(image, relocation_directory) <= s.virtual_size;
    if (!relocations || s.virtual_address < rsrc.virtual_address || s.raw_offset < raw_end(rsrc))
      throw bad_input("has a section after its resources that cannot be moved safely");
  }
  for (unsigned d = 0; d < directory_count; ++d) {
    if (d == resource_directory || d == relocation_directory || d == certificate_directory)
      continue;
    if (directory_size(image, d) != 0 && directory_rva(image, d) >= rsrc.virtual_address)
      throw bad_input("has data that the tool cannot move after its resources");
  }
  for (size_t i = 0; i < image.resources; ++i) {
    const pe_section& s = image.sections[i];
    if (s.raw_size != 0 && raw_end(s) > rsrc.raw_offset)
      throw bad_input("has a section stored after its resources");
  }
}

}  // namespace

pe_image read_pe(bytes file) {
  pe_image image;
  image.file = std::move(file);
  const bytes& f = image.file;
  if (f.size() < 2 || f[0] != 'M' || f[1] != 'Z') throw bad_input("is not a PE image");
  uint32_t pe = u32_at(f, 0x3C, cut_short);
  if (u32_at(f, pe, cut_short) != 0x4550) throw bad_input("is not a PE image");
  uint16_t machine = u16_at(f, pe + 4, cut_short);
  uint16_t section_count = u16_at(f, pe + 6, cut_short);
  uint16_t optional_size = u16_at(f, pe + 20, cut_short);
  image.optional_header = pe + 24;
  uint16_t magic = u16_at(f, image.optional_header, cut_short);
  bool x86 = machine == 0x14C && magic == 0x10B, x64 = machine == 0x8664 && magic == 0x20B;
  if (!x86 && !x64) throw bad_input("is not an x86 or x64 image");
  size_t count_field = image.optional_header + (x64 ? 108 : 92);
  image.directories = count_field + 4;
  uint32_t directory_count = u32_at(f, count_field, cut_short);
  size_t directories_at = image.directories - image.optional_header;
  if (optional_size < directories_at || (optional_size - directories_at) / 8 < directory_count)
    throw bad_input("has a malformed optional header");
  image.section_alignment = u32_at(f, image.optional_header + section_alignment_field, cut_short);
  image.file_alignment = u32_at(f, image.optional_header + file_alignment_field, cut_short);
  // Windows loads only images whose alignments are powers of two, the file's at most
  // 64 KiB; anything else would also make the copy's padding arbitrarily large.
  auto power_of_two = [](uint32_t v) { return v != 0 && (v & (v - 1)) == 0; };
  if (!power_of_two(image.file_alignment) || image.file_alignment > 0x10000 ||
      !power_of_two(image.section_alignment) || image.section_alignment < image.file_alignment)
    throw bad_input("has a malformed optional header");
  image.section_table = image.optional_header + optional_size;
  uint64_t file_end = 0, address_end = 0;
  for (unsigned i = 0; i < section_count; ++i) {
    size_t h = image.section_table + 40 * i;
    pe_section s{u32_at(f, h + 8, cut_short), u32_at(f, h + 12, cut_short),
                 u32_at(f, h + 16, cut_short), u32_at(f, h + 20, cut_short)};
    if (s.raw_size != 0 && raw_end(s) > f.size()) throw bad_input(cut_short);
    // The loader maps sections in ascending order without overlap; the relocation
    // section is moved by its address, so two sections at one address would split.
    if (s.virtual_address < address_end) throw bad_input("has overlapping sections");
    address_end = uint64_t{s.virtual_address} +
                  std::max<uint64_t>(s.virtual_size ? s.virtual_size : s.raw_size, 1);
    if (s.raw_size != 0) file_end = std::max(file_end, raw_end(s));
    image.sections.push_back(s);
  }
  if (directory_count > certificate_directory &&
      (directory_rva(image, certificate_directory) != 0 ||
       directory_size(image, certificate_directory) != 0))
    throw bad_input(
        "is signed (it has a certificate table): brand the unsigned launcher, then sign the "
        "result");
  if (f.size() > file_end) throw bad_input("has data after its last section");
  if (directory_count <= resource_directory || directory_size(image, resource_directory) == 0)
    throw bad_input("has no resources");
  uint32_t rva = directory_rva(image, resource_directory);
  auto starts_resources = [rva](const pe_section& s) { return s.virtual_address == rva; };
  auto found = std::find_if(image.sections.begin(), image.sections.end(), starts_resources);
  if (found == image.sections.end() || found->raw_size == 0)
    throw bad_input("keeps its resources outside a section of their own");
  image.resources = static_cast<size_t>(found - image.sections.begin());
  check_movable_tail(image, directory_count);
  return image;
}

bytes resource_section(const pe_image& image) {
  const pe_section& s = image.sections[image.resources];
  uint32_t size = s.virtual_size != 0 ? std::min(s.virtual_size, s.raw_size) : s.raw_size;
  return slice(image.file, s.raw_offset, size, cut_short);
}

bytes with_resource_section(const pe_image& image, const bytes& rsrc) {
  const pe_section& old = image.sections[image.resources];
  bytes out(image.file.begin(), image.file.begin() + old.raw_offset);
  out.insert(out.end(), rsrc.begin(), rsrc.end());
  pad_to(out, image.file_alignment);
  uint32_t raw_size = static_cast<uint32_t>(out.size() - old.raw_offset);
  uint64_t next_address =
      align_up(uint64_t{old.virtual_address} + rsrc.size(), image.section_alignment);
  size_t header = image.section_table + 40 * image.resources;
  put_le(out, header + 8, rsrc.size(), 4);
  put_le(out, header + 16, raw_size, 4);
  for (size_t i = image.resources + 1; i < image.sections.size(); ++i) {
    const pe_section& s = image.sections[i];
    header = image.section_table + 40 * i;
    if (s.virtual_address == directory_rva(image, relocation_directory))
      put_le(out, image.directories + 8 * relocation_directory, next_address, 4);
    put_le(out, header + 12, next_address, 4);
    put_le(out, header + 20, out.size(), 4);
    out.insert(out.end(), image.file.begin() + s.raw_offset, image.file.begin() + raw_end(s));
    uint32_t size = s.virtual_size != 0 ? s.virtual_size : s.raw_size;
    next_address = align_up(next_address + size, image.section_alignment);
  }
  if (next_address > UINT32_MAX) throw bad_input("would grow past the 4 GiB an image can span");
  size_t optional = image.optional_header;
  put_le(out, image.directories + 8 * resource_directory + 4, rsrc.size(), 4);
  put_le(out, optional + image_size_field, next_address, 4);
  uint32_t initialized = u32_at(image.file, optional + initialized_data_field, cut_short);
  put_le(out, optional + initialized_data_field, initialized + raw_size - old.raw_size, 4);
  put_le(out, optional + checksum_field, 0, 4);
  put_le(out, optional + checksum_field, pe_checksum(out), 4);
  return out;
}

uint32_t pe_checksum(const bytes& file) {
  uint64_t sum = 0;
  for (size_t i = 0; i < file.size(); i += 2) {
    sum += file[i] | (i + 1 < file.size() ? file[i + 1] << 8 : 0);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return static_cast<uint32_t>(sum + file.size());
}

}  // namespace brand
