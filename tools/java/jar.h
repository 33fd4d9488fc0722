// A jar (a zip archive) held in memory: its entries from the central directory, which the
// end record locates, and an entry's bytes, stored or inflated by zlib. Every size, count
// and offset read from the archive is checked against its bytes and bounded, so a hostile
// jar costs at most a bounded amount of memory and work.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Names point into the jar's bytes.
struct jar_entry {
  std::string_view name;
  std::string_view stored;  // the entry's own name: a multi-release jar's version differs
  uint16_t method;          // 0 stored, 8 deflated
  uint64_t compressed_size;
  uint64_t size;
  uint64_t local_offset;  // from the start of the bytes, bytes before the zip counted in
};

// The entries are by name, each name once, the last in the directory, as the JDK finds it.
// The manifest is found as JarFile finds it: the last entry named META-INF/MANIFEST.MF in
// any case.
struct jar_file {
  std::string bytes;
  std::vector<jar_entry> entries;
  std::string_view manifest;  // its name, or empty
  uint64_t inflate_budget;    // bytes that the entries may still inflate to
};

// Bounds: an entry's size, and the entries a jar may list.
constexpr uint32_t max_entry_size = 16u << 20;
constexpr uint64_t max_entries = 1u << 20;

// Takes bytes as *jar and reads its central directory, wherever the zip starts in them.
// False with *problem set (a phrase) when there is none, it breaks a bound, or it lists an
// entry that the JDK refuses the whole jar for: encrypted, or neither stored nor deflated.
bool open_jar(std::string bytes, jar_file* jar, std::string* problem);

// The entry with exactly this name, or null.
const jar_entry* find_entry(const jar_file& jar, std::string_view name);

// The entry's bytes in *out. False with *problem set (a phrase) when they cannot be had
// within the bounds; each read counts against the jar's inflate budget.
bool read_entry(jar_file* jar, const jar_entry& entry, std::string* out, std::string* problem);
