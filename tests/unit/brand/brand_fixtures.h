// Small executables and icon files for the tavrin-brand tests, laid out field by field as
// a linker and an icon editor would, so that each test can break one field.
#pragma once

#include <gtest/gtest.h>

#include "bytes.h"
#include "icon_file.h"
#include "pe_image.h"
#include "resource_tree.h"

namespace brand_fixtures {

using namespace brand;

constexpr size_t pe = 0x40, optional = pe + 24;  // where the headers start
constexpr uint32_t resources_va = 0x2000, relocations_va = 0x3000;

inline size_t directories(bool x64) {
  return optional + (x64 ? 112 : 96);
}
inline size_t section_header(size_t i, bool x64) {
  return optional + (x64 ? 240 : 224) + 40 * i;
}

// An image with code at 0x1000, rsrc at 0x2000 and, when relocations, a relocation block
// at 0x3000; sections are stored 0x200-aligned after 0x400 bytes of headers.
inline bytes image(const bytes& rsrc, bool x64 = true, bool relocations = true) {
  EXPECT_LE(rsrc.size(), relocations_va - resources_va);
  bytes f(0x400);
  f[0] = 'M', f[1] = 'Z';
  put_le(f, 0x3C, pe, 4);
  put_le(f, pe, 0x4550, 4);
  put_le(f, pe + 4, x64 ? 0x8664 : 0x14C, 2);
  put_le(f, pe + 6, relocations ? 3 : 2, 2);
  put_le(f, pe + 20, x64 ? 240 : 224, 2);
  put_le(f, optional, x64 ? 0x20B : 0x10B, 2);
  put_le(f, optional + 32, 0x1000, 4);
  put_le(f, optional + 36, 0x200, 4);
  put_le(f, optional + 60, 0x400, 4);
  put_le(f, directories(x64) - 4, 16, 4);
  bytes code(0x200, 0xC3), relocation_block = {0x00, 0x10, 0, 0, 12, 0, 0, 0, 0x10, 0xA0, 0, 0};
  auto add = [&](size_t i, uint32_t va, const bytes& data) {
    size_t h = section_header(i, x64);
    put_le(f, h + 8, data.size(), 4);
    put_le(f, h + 12, va, 4);
    put_le(f, h + 16, align_up(data.size(), 0x200), 4);
    put_le(f, h + 20, f.size(), 4);
    f.insert(f.end(), data.begin(), data.end());
    pad_to(f, 0x200);
  };
  add(0, 0x1000, code);
  add(1, resources_va, rsrc);
  put_le(f, directories(x64) + 16, resources_va, 4);
  put_le(f, directories(x64) + 20, rsrc.size(), 4);
  if (relocations) {
    add(2, relocations_va, relocation_block);
    put_le(f, directories(x64) + 40, relocations_va, 4);
    put_le(f, directories(x64) + 44, relocation_block.size(), 4);
  }
  put_le(f, optional + 56, relocations ? 0x4000 : 0x3000, 4);
  return f;
}

// A bitmap icon image of the given size (header, 32-bit pixels, mask).
inline bytes bitmap(uint32_t size, uint8_t shade) {
  bytes b;
  for (uint32_t field : {40u, size, 2 * size, 0x200001u, 0u, 0u, 0u, 0u, 0u, 0u})
    append_le(b, field, 4);
  b.resize(40 + size * size * 4 + size * align_up((size + 7) / 8, 4), shade);
  return b;
}

// An .ico file holding the images, stored in order after the directory.
inline bytes ico(const std::vector<bytes>& images, const std::vector<uint8_t>& sizes) {
  bytes f = {0, 0, 1, 0};
  append_le(f, images.size(), 2);
  size_t offset = 6 + 16 * images.size();
  for (size_t i = 0; i < images.size(); ++i) {
    f.insert(f.end(), {sizes[i], sizes[i], 0, 0, 1, 0, 32, 0});
    append_le(f, images[i].size(), 4);
    append_le(f, offset, 4);
    offset += images[i].size();
  }
  for (const bytes& b : images) f.insert(f.end(), b.begin(), b.end());
  return f;
}

inline resource_key named(const std::u16string& name) {
  return resource_key{true, 0, name};
}

// A launcher's resources: icon group APPICON of two images (ids 1 and 2), an unrelated
// icon (id 7) of a second group, a manifest and a named data resource.
inline std::vector<resource> launcher_resources() {
  std::vector<icon_image> two = read_icon(ico({bitmap(16, 1), bitmap(8, 2)}, {16, 8}));
  std::vector<icon_image> other = read_icon(ico({bitmap(16, 9)}, {16}));
  std::string manifest = "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>";
  auto lang = id_key(0x0409);
  return {
      {id_key(rt_icon), id_key(1), lang, 0, two[0].data},
      {id_key(rt_icon), id_key(2), lang, 0, two[1].data},
      {id_key(rt_icon), id_key(7), lang, 0, other[0].data},
      {id_key(rt_group_icon), named(u"APPICON"), lang, 0, icon_group(two, {1, 2})},
      {id_key(rt_group_icon), named(u"ZOTHER"), lang, 0, icon_group(other, {7})},
      {id_key(rt_manifest), id_key(1), lang, 0, bytes(manifest.begin(), manifest.end())},
      {named(u"DATA"), id_key(5), id_key(0), 1252, bytes{1, 2, 3}},
  };
}

inline bytes launcher(bool x64 = true) {
  return image(build_resources(launcher_resources(), resources_va), x64);
}

// The resources of an image, read back as the tool reads them.
inline std::vector<resource> resources_of(const bytes& file) {
  pe_image image = read_pe(file);
  return read_resources(resource_section(image), image.sections[image.resources].virtual_address);
}

// The first resource of that type (and name, when given), or null.
inline const resource* find(const std::vector<resource>& list, uint16_t type,
                            const resource_key* name = nullptr) {
  for (const resource& r : list)
    if (r.type == id_key(type) && (!name || r.name == *name)) return &r;
  return nullptr;
}

}  // namespace brand_fixtures
