#include "brand_fixtures.h"
#include "version_info.h"

namespace {

using namespace brand;

// A block as resource compilers write it; value_length counts characters for texts.
bytes block(const std::u16string& key, uint16_t type, const bytes& value, uint16_t value_length,
            const std::vector<bytes>& children) {
  bytes b(6);
  put_le(b, 2, value_length, 2);
  put_le(b, 4, type, 2);
  append_utf16(b, key + u'\0');
  pad_to(b, 4);
  b.insert(b.end(), value.begin(), value.end());
  for (const bytes& c : children) {
    pad_to(b, 4);
    b.insert(b.end(), c.begin(), c.end());
  }
  put_le(b, 0, b.size(), 2);
  return b;
}

bytes text(const std::u16string& key, const std::u16string& value) {
  bytes v;
  append_utf16(v, value + u'\0');
  return block(key, 1, v, static_cast<uint16_t>(value.size() + 1), {});
}

TEST(brand_version_info, reads_the_first_table_of_another_tool_s_resource) {
  bytes fixed(52, 0);
  put_le(fixed, 0, 0xFEEF04BD, 4);
  put_le(fixed, 8, 0x00030001, 4);
  bytes translation = {0x07, 0x04, 0xE4, 0x04};
  bytes resource =
      block(u"VS_VERSION_INFO", 0, fixed, 52,
            {block(u"VarFileInfo", 1, {}, 0, {block(u"Translation", 0, translation, 4, {})}),
             block(u"StringFileInfo", 1, {}, 0,
                   {block(u"040704E4", 1, {}, 0,
                          {text(u"CompanyName", u"Acme GmbH"), text(u"Comments", u""),
                           text(u"ProductName", u"B\u00FCro")}),
                    block(u"040904B0", 1, {}, 0, {text(u"ProductName", u"Office")})})});
  version_info info = read_version(resource);
  EXPECT_EQ(info.language, 0x0407);
  EXPECT_EQ(info.code_page, 0x04E4);
  EXPECT_EQ(info.fixed[2], 0x00030001u);
  using strings = std::vector<std::pair<std::u16string, std::u16string>>;
  EXPECT_EQ(info.strings, (strings{{u"CompanyName", u"Acme GmbH"},
                                   {u"Comments", u""},
                                   {u"ProductName", u"B\u00FCro"}}));
  // Built again: one table and the Translation that matches it, as a compiler lays them out.
  bytes expected =
      block(u"VS_VERSION_INFO", 0, fixed, 52,
            {block(u"StringFileInfo", 1, {}, 0,
                   {block(u"040704E4", 1, {}, 0,
                          {text(u"CompanyName", u"Acme GmbH"), text(u"Comments", u""),
                           text(u"ProductName", u"B\u00FCro")})}),
             block(u"VarFileInfo", 1, {}, 0, {block(u"Translation", 0, translation, 4, {})})});
  EXPECT_EQ(build_version(info), expected);
}

TEST(brand_version_info, refuses_blocks_that_overrun_their_parent_or_a_wrong_root) {
  bytes table = block(u"StringFileInfo", 1, {}, 0, {text(u"040904B0", u"x")});
  put_le(table, 0, table.size() + 8, 2);
  bytes overrun = block(u"VS_VERSION_INFO", 0, bytes(52), 52, {table});
  bytes wrong_root = block(u"VS_VERSION_INFX", 0, bytes(52), 52, {});
  for (const bytes& r : {overrun, wrong_root, bytes{4, 0}})
    EXPECT_THROW(read_version(r), bad_input);
}

}  // namespace
