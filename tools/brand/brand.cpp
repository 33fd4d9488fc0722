#include "brand.h"

#include <algorithm>
#include <set>

#include "manifest.h"
#include "pe_image.h"
#include "resource_tree.h"
#include "string_table.h"
#include "version_info.h"

namespace brand {
namespace {

bool of_type(const resource& r, uint16_t type) {
  return r.type == id_key(type);
}

// Replaces the first icon group's images by the new ones, under ids no other group uses.
void replace_icon(std::vector<resource>& list, const std::vector<icon_image>& icon) {
  auto group = std::find_if(list.begin(), list.end(),
                            [](const resource& r) { return of_type(r, rt_group_icon); });
  if (group == list.end()) throw bad_input("has no icon group to replace");
  std::set<uint16_t> kept;
  for (const resource& r : list)
    if (of_type(r, rt_group_icon) && &r != &*group)
      for (uint16_t id : icon_group_ids(r.data)) kept.insert(id);
  std::vector<uint16_t> old_ids = icon_group_ids(group->data);
  resource new_group = *group;
  list.erase(group);
  list.erase(std::remove_if(list.begin(), list.end(),
                            [&](const resource& r) {
                              return of_type(r, rt_icon) && !r.name.named &&
                                     !kept.count(r.name.id) &&
                                     std::count(old_ids.begin(), old_ids.end(), r.name.id);
                            }),
             list.end());
  std::set<uint16_t> used = kept;
  for (const resource& r : list)
    if (of_type(r, rt_icon) && !r.name.named) used.insert(r.name.id);
  std::vector<uint16_t> ids;
  for (uint16_t id = 1; ids.size() < icon.size(); ++id) {
    if (id == 0) throw bad_input("has no icon ids left for the new images");
    if (!used.count(id)) ids.push_back(id);
  }
  for (size_t i = 0; i < icon.size(); ++i)
    list.push_back(resource{id_key(rt_icon), id_key(ids[i]), new_group.language,
                            new_group.code_page, icon[i].data});
  new_group.data = icon_group(icon, ids);
  list.push_back(std::move(new_group));
}

void replace_version(std::vector<resource>& list, const branding& b) {
  auto found = std::find_if(list.begin(), list.end(),
                            [](const resource& r) { return of_type(r, rt_version); });
  version_info info;
  if (found == list.end()) {
    found = list.insert(list.end(), resource{id_key(rt_version), id_key(1), id_key(0x0409), 0, {}});
  } else {
    info = read_version(found->data);
  }
  for (const auto& [key, value] : b.strings) set_string(info, key, value);
  if (b.version) set_versions(info, *b.version);
  found->data = build_version(info);
}

void set_execution_level(std::vector<resource>& list, const std::string& level) {
  auto found = std::find_if(list.begin(), list.end(),
                            [](const resource& r) { return of_type(r, rt_manifest); });
  if (found == list.end()) throw bad_input("has no manifest");
  found->data = with_execution_level(found->data, level);
}

}  // namespace

bytes brand_image(const bytes& input, const branding& b) {
  pe_image image = read_pe(input);
  uint32_t rva = image.sections[image.resources].virtual_address;
  std::vector<resource> list = read_resources(resource_section(image), rva);
  if (!b.icon.empty()) replace_icon(list, b.icon);
  replace_version(list, b);
  if (!b.execution_level.empty()) set_execution_level(list, b.execution_level);
  set_table_strings(list, b.table_strings);
  return with_resource_section(image, build_resources(std::move(list), rva));
}

}  // namespace brand
