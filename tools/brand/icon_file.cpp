#include "icon_file.h"

#include <algorithm>

namespace brand {
namespace {

constexpr char cut_short[] = "is cut short";

uint32_t big_endian(const bytes& b, size_t at) {
  return uint32_t{b[at]} << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

// Checks the image's own size, from a PNG's header chunk or a bitmap's info header.
void check_image(const bytes& data, size_t number) {
  static const uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::string which = "image " + std::to_string(number);
  uint64_t width, height;
  if (data.size() >= 24 && std::equal(png, png + 8, data.begin())) {
    width = big_endian(data, 16);
    height = big_endian(data, 20);
  } else {
    uint32_t header = data.size() >= 4 ? u32_at(data, 0, cut_short) : 0;
    if (header != 40 && header != 108 && header != 124)
      throw bad_input(which + " is neither a PNG nor a bitmap");
    auto bad = (which + " is cut short");
    width = u32_at(data, 4, bad.c_str());
    height = u32_at(data, 8, bad.c_str()) / 2;  // the colour rows, then the mask's
  }
  if (width == 0 || height == 0 || width > 256 || height > 256)
    throw bad_input(which + " is not between 1x1 and 256x256 pixels");
}

}  // namespace

std::vector<icon_image> read_icon(const bytes& file) {
  if (file.size() < 6) throw bad_input(cut_short);
  if (u16_at(file, 0, cut_short) != 0 || u16_at(file, 2, cut_short) != 1)
    throw bad_input("is not an icon file");
  uint16_t count = u16_at(file, 4, cut_short);
  if (count == 0) throw bad_input("holds no image");
  if (file.size() < 6 + 16 * size_t{count}) throw bad_input(cut_short);
  std::vector<icon_image> images;
  for (size_t i = 0; i < count; ++i) {
    size_t entry = 6 + 16 * i;
    icon_image image{};
    image.width = static_cast<uint8_t>(read_le(file, entry, 1, cut_short));
    image.height = static_cast<uint8_t>(read_le(file, entry + 1, 1, cut_short));
    image.colors = static_cast<uint8_t>(read_le(file, entry + 2, 1, cut_short));
    image.reserved = static_cast<uint8_t>(read_le(file, entry + 3, 1, cut_short));
    image.planes = u16_at(file, entry + 4, cut_short);
    image.bit_count = u16_at(file, entry + 6, cut_short);
    uint32_t size = u32_at(file, entry + 8, cut_short);
    uint32_t offset = u32_at(file, entry + 12, cut_short);
    std::string which = "image " + std::to_string(i + 1);
    if (offset >= file.size()) throw bad_input(which + " points outside the file");
    image.data = slice(file, offset, size, (which + " is cut short").c_str());
    check_image(image.data, i + 1);
    images.push_back(std::move(image));
  }
  return images;
}

bytes icon_group(const std::vector<icon_image>& images, const std::vector<uint16_t>& ids) {
  bytes group;
  append_le(group, 0, 2);
  append_le(group, 1, 2);
  append_le(group, images.size(), 2);
  for (size_t i = 0; i < images.size(); ++i) {
    const icon_image& image = images[i];
    group.insert(group.end(), {image.width, image.height, image.colors, image.reserved});
    append_le(group, image.planes, 2);
    append_le(group, image.bit_count, 2);
    append_le(group, image.data.size(), 4);
    append_le(group, ids[i], 2);
  }
  return group;
}

std::vector<uint16_t> icon_group_ids(const bytes& group) {
  constexpr char bad[] = "has a malformed icon group";
  std::vector<uint16_t> ids;
  uint16_t count = u16_at(group, 4, bad);
  for (size_t i = 0; i < count; ++i) ids.push_back(u16_at(group, 6 + 14 * i + 12, bad));
  return ids;
}

}  // namespace brand
