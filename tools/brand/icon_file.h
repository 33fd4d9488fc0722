// .ico files, and the icon group resource that lists a group's images by resource id.
#pragma once

#include <string>

#include "bytes.h"

namespace brand {

// One image of an icon with its directory entry's fields.
struct icon_image {
  uint8_t width, height, colors, reserved;
  uint16_t planes, bit_count;
  bytes data;  // a PNG file or a bitmap (header, colours, pixels and mask)
};

// The images of an .ico file; throws bad_input when it is not one, is cut short, holds no
// image, points outside itself, or holds an image that is not a PNG or a bitmap up to
// 256x256.
std::vector<icon_image> read_icon(const bytes& file);

// The group resource for images stored as icon resources with the given ids.
bytes icon_group(const std::vector<icon_image>& images, const std::vector<uint16_t>& ids);

// The icon resource ids an icon group lists; throws bad_input when the group is cut short.
std::vector<uint16_t> icon_group_ids(const bytes& group);

}  // namespace brand
