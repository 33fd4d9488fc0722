#include "resource_tree.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace brand {
namespace {

constexpr char malformed[] = "has a malformed resource directory";
constexpr uint32_t high_bit = 0x80000000;

struct reader {
  const bytes& section;
  uint32_t rva;
  size_t entries_left;  // bounds the work of directories that share subdirectories
  std::vector<resource> out;

  resource_key key(uint32_t field) {
    if (!(field & high_bit)) {
      if (field > 0xFFFF) throw bad_input(malformed);
      return id_key(static_cast<uint16_t>(field));
    }
    uint32_t at = field & ~high_bit;
    uint16_t length = u16_at(section, at, malformed);
    resource_key k{true, 0, {}};
    for (uint32_t i = 0; i < length; ++i) k.name += u16_at(section, at + 2 + 2 * i, malformed);
    return k;
  }

  void leaf(uint32_t at, resource r) {
    uint32_t data_rva = u32_at(section, at, malformed);
    uint32_t size = u32_at(section, at + 4, malformed);
    r.code_page = u32_at(section, at + 8, malformed);
    if (data_rva < rva) throw bad_input(malformed);
    r.data = slice(section, data_rva - rva, size, malformed);
    out.push_back(std::move(r));
  }

  // Reads the directory at offset at, of the given depth (0 types, 1 names, 2 languages).
  void directory(uint32_t at, int depth, resource& r) {
    size_t count =
        size_t{u16_at(section, at + 12, malformed)} + u16_at(section, at + 14, malformed);
    for (size_t i = 0; i < count; ++i) {
      if (entries_left-- == 0) throw bad_input(malformed);
      uint32_t entry = static_cast<uint32_t>(at + 16 + 8 * i);
      resource_key k = key(u32_at(section, entry, malformed));
      uint32_t target = u32_at(section, entry + 4, malformed);
      (depth == 0 ? r.type : depth == 1 ? r.name : r.language) = k;
      if (bool(target & high_bit) != (depth < 2)) throw bad_input(malformed);
      if (depth < 2)
        directory(target & ~high_bit, depth + 1, r);
      else
        leaf(target, r);
    }
  }
};

auto tied(const resource_key& k) {
  return std::tie(k.id, k.name);
}

}  // namespace

bool operator<(const resource_key& a, const resource_key& b) {
  if (a.named != b.named) return a.named;
  return tied(a) < tied(b);
}

bool operator==(const resource_key& a, const resource_key& b) {
  return a.named == b.named && tied(a) == tied(b);
}

std::vector<resource> read_resources(const bytes& section, uint32_t rva) {
  reader r{section, rva, section.size() / 8, {}};
  resource scratch;
  r.directory(0, 0, scratch);
  auto keys = [](const resource& x) { return std::tie(x.type, x.name, x.language); };
  std::stable_sort(r.out.begin(), r.out.end(),
                   [&](const resource& a, const resource& b) { return keys(a) < keys(b); });
  for (size_t i = 1; i < r.out.size(); ++i)
    if (keys(r.out[i - 1]) == keys(r.out[i])) throw bad_input(malformed);
  return std::move(r.out);
}

namespace {

using language_map = std::map<resource_key, const resource*>;
using name_map = std::map<resource_key, language_map>;
using type_map = std::map<resource_key, name_map>;

constexpr size_t directory_size(size_t entries) {
  return 16 + 8 * entries;
}

// Lays out directories first (root, types, names), then data entries, then the names'
// strings, then the data, each piece starting at a multiple of 8.
struct writer {
  bytes out;
  uint32_t rva;
  size_t next_directory = 0, next_entry = 0, next_string = 0, next_data = 0;
  std::map<std::u16string, size_t> strings;

  uint32_t key_field(const resource_key& k) {
    return k.named ? static_cast<uint32_t>(high_bit | strings.at(k.name)) : k.id;
  }

  template <typename Map>
  size_t begin_directory(const Map& m) {
    size_t at = next_directory;
    next_directory += directory_size(m.size());
    size_t named = static_cast<size_t>(
        std::count_if(m.begin(), m.end(), [](const auto& e) { return e.first.named; }));
    put_le(out, at + 12, named, 2);
    put_le(out, at + 14, m.size() - named, 2);
    return at;
  }

  size_t leaf(const resource& r) {
    size_t at = next_entry;
    next_entry += 16;
    put_le(out, at, rva + next_data, 4);
    put_le(out, at + 4, r.data.size(), 4);
    put_le(out, at + 8, r.code_page, 4);
    std::copy(r.data.begin(), r.data.end(), out.begin() + next_data);
    next_data = align_up(next_data + r.data.size(), 8);
    return at;
  }

  template <typename Map, typename Child>
  void entries(size_t at, const Map& m, Child child) {
    for (const auto& [k, value] : m) {
      put_le(out, at + 16, key_field(k), 4);
      put_le(out, at + 20, child(value), 4);
      at += 8;
    }
  }
};

}  // namespace

bytes build_resources(std::vector<resource> list, uint32_t rva) {
  type_map types;
  for (const resource& r : list) types[r.type][r.name][r.language] = &r;
  size_t directories = directory_size(types.size()), leaves = 0, string_bytes = 0, data = 0;
  writer w;
  w.rva = rva;
  auto add_string = [&](const resource_key& k) {
    if (k.named && w.strings.emplace(k.name, string_bytes).second)
      string_bytes += 2 + 2 * k.name.size();
  };
  for (const auto& [type, names] : types) {
    add_string(type);
    directories += directory_size(names.size());
    for (const auto& [name, languages] : names) {
      add_string(name);
      directories += directory_size(languages.size());
      for (const auto& [language, r] : languages) {
        add_string(language);
        ++leaves;
        data += align_up(r->data.size(), 8);
      }
    }
  }
  size_t string_start = directories + 16 * leaves;
  for (auto& [text, offset] : w.strings) offset += string_start;
  w.next_entry = directories;
  w.next_data = align_up(string_start + string_bytes, 8);
  w.out.resize(w.next_data + data);
  for (const auto& [text, offset] : w.strings) {
    put_le(w.out, offset, text.size(), 2);
    for (size_t i = 0; i < text.size(); ++i) put_le(w.out, offset + 2 + 2 * i, text[i], 2);
  }
  size_t root = w.begin_directory(types);
  // Directories of one depth are written together, so each level's tables are adjacent.
  std::vector<std::pair<size_t, const name_map*>> name_dirs;
  w.entries(root, types, [&](const name_map& names) {
    name_dirs.emplace_back(w.begin_directory(names), &names);
    return high_bit | static_cast<uint32_t>(name_dirs.back().first);
  });
  std::vector<std::pair<size_t, const language_map*>> language_dirs;
  for (auto& [at, names] : name_dirs)
    w.entries(at, *names, [&](const language_map& languages) {
      language_dirs.emplace_back(w.begin_directory(languages), &languages);
      return high_bit | static_cast<uint32_t>(language_dirs.back().first);
    });
  for (auto& [at, languages] : language_dirs)
    w.entries(at, *languages, [&](const resource* r) { return static_cast<uint32_t>(w.leaf(*r)); });
  return std::move(w.out);
}

}  // namespace brand
