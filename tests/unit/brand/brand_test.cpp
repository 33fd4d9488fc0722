#include "brand.h"

#include "brand_fixtures.h"
#include "version_info.h"

namespace {

using namespace brand_fixtures;

branding full_branding() {
  branding b;
  b.icon = read_icon(ico({bitmap(16, 3), bitmap(48, 4), bitmap(32, 5)}, {16, 48, 32}));
  b.strings = {{u"ProductName", u"Zo\u00EB \U0001F600"}, {u"CompanyName", u"Acme"}};
  b.version = {{1, 2, 3, 4}};
  b.execution_level = "requireAdministrator";
  return b;
}

uint32_t u32(const bytes& f, size_t at) {
  return u32_at(f, at, "test");
}

TEST(brand_image, replaces_the_icon_group_and_its_images_and_keeps_the_rest) {
  for (bool x64 : {true, false}) {
    branding b = full_branding();
    std::vector<resource> before = launcher_resources(),
                          after = resources_of(brand_image(launcher(x64), b));
    resource_key appicon = named(u"APPICON"), other = named(u"ZOTHER");
    const resource* group = find(after, rt_group_icon, &appicon);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->language, id_key(0x0409));
    // The old images 1 and 2 give way; 7 belongs to the other group and stays.
    EXPECT_EQ(icon_group_ids(group->data), (std::vector<uint16_t>{1, 2, 3}));
    std::vector<uint16_t> icons;
    for (const resource& r : after)
      if (r.type == id_key(rt_icon)) icons.push_back(r.name.id);
    EXPECT_EQ(icons, (std::vector<uint16_t>{1, 2, 3, 7}));
    for (uint16_t id : {1, 2, 3}) {
      resource_key key = id_key(id);
      EXPECT_EQ(find(after, rt_icon, &key)->data, b.icon[id - 1u].data);
    }
    for (size_t kept : {2, 4, 6}) {  // image 7, group ZOTHER, the named data resource
      const resource& old = before[kept];
      auto same = std::find_if(after.begin(), after.end(), [&](const resource& r) {
        return r.type == old.type && r.name == old.name && r.language == old.language &&
               r.code_page == old.code_page && r.data == old.data;
      });
      EXPECT_NE(same, after.end()) << kept;
    }
    EXPECT_TRUE(find(after, rt_group_icon, &other));
    std::string manifest(find(after, rt_manifest)->data.begin(),
                         find(after, rt_manifest)->data.end());
    EXPECT_EQ(manifest,
              "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>");
  }
}

TEST(brand_image, moves_the_relocations_and_updates_the_headers) {
  for (bool x64 : {true, false}) {
    bytes in = launcher(x64), out = brand_image(in, full_branding());
    pe_image old = read_pe(in), image = read_pe(out);
    const pe_section &rsrc = image.sections[1], &relocs = image.sections[2];
    size_t dirs = directories(x64);
    EXPECT_EQ(rsrc.virtual_address, resources_va);
    EXPECT_GT(rsrc.virtual_size, old.sections[1].virtual_size + 0x1000);  // moves the relocations
    EXPECT_EQ(rsrc.raw_size, align_up(rsrc.virtual_size, 0x200));
    EXPECT_EQ(u32(out, dirs + 20), rsrc.virtual_size);
    EXPECT_EQ(relocs.virtual_address, align_up(resources_va + rsrc.virtual_size, 0x1000));
    EXPECT_EQ(relocs.raw_offset, rsrc.raw_offset + rsrc.raw_size);
    EXPECT_EQ(u32(out, dirs + 40), relocs.virtual_address);
    EXPECT_EQ(u32(out, optional + 56), relocs.virtual_address + 0x1000);  // size of image
    EXPECT_EQ(u32(out, optional + 8) - u32(in, optional + 8),
              rsrc.raw_size - old.sections[1].raw_size);
    EXPECT_EQ(slice(out, relocs.raw_offset, 0x200, ""),
              slice(in, old.sections[2].raw_offset, 0x200, ""));
    EXPECT_EQ(slice(out, 0x400, 0x200, ""), slice(in, 0x400, 0x200, ""));  // the code
  }
}

TEST(brand_image, branding_again_with_the_icon_alone_changes_nothing) {
  bytes once = brand_image(launcher(), full_branding());
  branding icon_only;
  icon_only.icon = full_branding().icon;
  EXPECT_EQ(brand_image(once, icon_only), once);
  EXPECT_EQ(brand_image(brand_image(once, branding()), branding()), brand_image(once, branding()));
}

TEST(brand_image, shrinks_the_resources_and_works_without_relocations) {
  branding small;
  small.icon = read_icon(ico({bitmap(1, 1)}, {1}));
  bytes big = brand_image(launcher(), full_branding()), out = brand_image(big, small);
  EXPECT_LT(out.size(), big.size());
  EXPECT_EQ(read_pe(out).sections[2].virtual_address, relocations_va);
  bytes alone = image(build_resources(launcher_resources(), resources_va), true, false);
  // 7 resources, less 2 old images, plus 3 new ones and the version.
  EXPECT_EQ(resources_of(brand_image(alone, full_branding())).size(), 9u);
}

// The string table's blocks after branding: block id, then its 16 strings' lengths.
TEST(brand_image, sets_table_strings_in_their_blocks_and_keeps_the_others) {
  using strings = std::vector<std::pair<uint16_t, std::u16string>>;
  struct row {
    strings before, set;
    std::vector<std::pair<uint16_t, std::vector<uint16_t>>> blocks;
  } rows[] = {
      {{}, {}, {}},
      {{}, {{1, u"Acme.Demo"}}, {{1, {0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}}},
      {{{2, u"kept"}}, {{1, u"Acme"}}, {{1, {0, 4, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}}},
      {{{1, u"old"}},
       {{17, u"x"}},
       {{1, {0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {2, {0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}}},
      {{{1, u"gone"}}, {{1, u""}}, {}},  // a block left empty is removed
  };
  for (const row& r : rows) {
    branding before, b;
    before.table_strings = r.before;
    b.table_strings = r.set;
    std::vector<std::pair<uint16_t, std::vector<uint16_t>>> blocks;
    for (const resource& res : resources_of(brand_image(brand_image(launcher(), before), b))) {
      if (!(res.type == id_key(rt_string))) continue;
      EXPECT_EQ(res.language, id_key(0));
      std::vector<uint16_t> lengths;
      for (size_t at = 0; at < res.data.size(); at += 2 + 2 * size_t{lengths.back()})
        lengths.push_back(u16_at(res.data, at, "test"));
      blocks.emplace_back(res.name.id, lengths);
    }
    EXPECT_EQ(blocks, r.blocks);
  }
}

TEST(brand_image, refuses_what_it_cannot_find) {
  struct row {
    std::vector<resource> resources;
    branding b;
    const char* message;
  } rows[] = {
      {{launcher_resources()[5]}, full_branding(), "has no icon group to replace"},
      {{launcher_resources()[3]}, full_branding(), "has no manifest"},
      {{{id_key(rt_manifest), id_key(1), id_key(0), 0, {'<', 'a', '/', '>'}}},
       branding{{}, {}, {}, "asInvoker"},
       "has no requestedExecutionLevel level in its manifest"},
  };
  for (const row& r : rows) {
    try {
      brand_image(image(build_resources(r.resources, resources_va)), r.b);
      ADD_FAILURE() << r.message;
    } catch (const bad_input& e) {
      EXPECT_STREQ(e.what(), r.message);
    }
  }
}

TEST(pe_checksum, folds_carries_and_adds_the_length) {
  struct row {
    bytes file;
    uint32_t sum;
  } rows[] = {
      {{}, 0},
      {{1, 0, 2, 0, 3}, 6 + 5},
      {{0xFF, 0xFF, 0x02, 0x00}, 2 + 4},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFF + 6},
  };
  for (const row& r : rows) EXPECT_EQ(pe_checksum(r.file), r.sum);
}

}  // namespace
