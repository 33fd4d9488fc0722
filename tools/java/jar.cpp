#include "jar.h"

#include <zlib.h>

#include <algorithm>

namespace {

constexpr uint32_t end_signature = 0x06054b50;
constexpr uint32_t zip64_locator_signature = 0x07064b50;
constexpr uint32_t zip64_end_signature = 0x06064b50;
constexpr uint32_t central_signature = 0x02014b50;
constexpr uint32_t local_signature = 0x04034b50;
constexpr size_t end_size = 22, zip64_locator_size = 20, zip64_end_size = 56;
constexpr size_t central_size = 46, local_size = 30;

// Little-endian numbers at an offset the caller has checked.
uint64_t le(const std::string& b, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
  return v;
}

bool fail(std::string* problem, const char* what) {
  *problem = what;
  return false;
}

// The end record: the last signature within the 64 KiB comment's reach whose comment
// length ends it exactly at the end of the bytes, else the last signature at all.
bool find_end(const std::string& b, size_t* at) {
  if (b.size() < end_size) return false;
  size_t lowest = b.size() - end_size > 0xFFFF ? b.size() - end_size - 0xFFFF : 0;
  bool found = false;
  for (size_t i = b.size() - end_size + 1; i-- > lowest;) {
    if (le(b, i, 4) != end_signature) continue;
    if (!found) *at = i;
    found = true;
    if (i + end_size + le(b, i + 20, 2) == b.size()) {
      *at = i;
      return true;
    }
  }
  return found;
}

// The directory's place and entry count, from the end record or, when it says so, from
// the zip64 end record that the locator before it points at.
bool find_directory(const std::string& b, size_t end, uint64_t* offset, uint64_t* size,
                    uint64_t* count, std::string* problem) {
  *count = le(b, end + 10, 2);
  *size = le(b, end + 12, 4);
  *offset = le(b, end + 16, 4);
  if (*count != 0xFFFF && *size != 0xFFFFFFFF && *offset != 0xFFFFFFFF) return true;
  if (end < zip64_locator_size || le(b, end - zip64_locator_size, 4) != zip64_locator_signature)
    return true;
  uint64_t at = le(b, end - zip64_locator_size + 8, 8);
  if (at > end - zip64_locator_size || end - zip64_locator_size - at < zip64_end_size ||
      le(b, at, 4) != zip64_end_signature)
    return fail(problem, "a broken zip64 end record");
  *count = le(b, at + 32, 8);
  *size = le(b, at + 40, 8);
  *offset = le(b, at + 48, 8);
  return true;
}

bool inflate_into(const char* in, uint32_t in_size, char* out, uint32_t out_size) {
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in));
  z.avail_in = in_size;
  z.next_out = reinterpret_cast<Bytef*>(out);
  z.avail_out = out_size;
  int result = inflate(&z, Z_FINISH);
  bool whole = result == Z_STREAM_END && z.total_out == out_size;
  inflateEnd(&z);
  return whole;
}

}  // namespace

bool open_jar(std::string bytes, jar_file* jar, std::string* problem) {
  jar->bytes = std::move(bytes);
  jar->entries.clear();
  const std::string& b = jar->bytes;
  // A jar's entries may inflate to 16 times its size, and 64 MiB more for small jars.
  jar->inflate_budget = (uint64_t{64} << 20) + 16 * uint64_t{b.size()};
  size_t end = 0;
  if (!find_end(b, &end)) return fail(problem, "no end of central directory record");
  uint64_t offset = 0, size = 0, count = 0;
  if (!find_directory(b, end, &offset, &size, &count, problem)) return false;
  if (offset > end || size > end - offset) return fail(problem, "a central directory out of place");
  if (count > max_entries) return fail(problem, "more than 1,048,576 entries");
  if (count > size / central_size) return fail(problem, "more entries than its directory holds");
  jar->entries.reserve(count);
  size_t at = offset, stop = offset + size;
  for (uint64_t i = 0; i < count; ++i) {
    if (stop - at < central_size || le(b, at, 4) != central_signature)
      return fail(problem, "a broken central directory entry");
    size_t name_length = le(b, at + 28, 2);
    size_t record = central_size + name_length + le(b, at + 30, 2) + le(b, at + 32, 2);
    if (stop - at < record) return fail(problem, "a central directory entry past its end");
    jar->entries.push_back(
        {std::string_view(b).substr(at + central_size, name_length),
         static_cast<uint16_t>(le(b, at + 10, 2)), static_cast<uint32_t>(le(b, at + 20, 4)),
         static_cast<uint32_t>(le(b, at + 24, 4)), static_cast<uint32_t>(le(b, at + 42, 4))});
    at += record;
  }
  std::stable_sort(jar->entries.begin(), jar->entries.end(),
                   [](const jar_entry& x, const jar_entry& y) { return x.name < y.name; });
  return true;
}

const jar_entry* find_entry(const jar_file& jar, std::string_view name) {
  auto found = std::lower_bound(jar.entries.begin(), jar.entries.end(), name,
                                [](const jar_entry& e, std::string_view n) { return e.name < n; });
  return found != jar.entries.end() && found->name == name ? &*found : nullptr;
}

bool read_entry(jar_file* jar, const jar_entry& entry, std::string* out, std::string* problem) {
  const std::string& b = jar->bytes;
  if (entry.size > max_entry_size) return fail(problem, "an entry larger than 16 MiB");
  if (entry.size > jar->inflate_budget)
    return fail(problem, "entries that inflate to more than 16 times the jar's size");
  jar->inflate_budget -= entry.size;
  size_t at = entry.local_offset;
  if (at > b.size() || b.size() - at < local_size || le(b, at, 4) != local_signature)
    return fail(problem, "a broken local entry header");
  size_t data = at + local_size + le(b, at + 26, 2) + le(b, at + 28, 2);
  if (data > b.size() || b.size() - data < entry.compressed_size)
    return fail(problem, "an entry past the jar's end");
  out->resize(entry.size);
  if (entry.method == 0) {
    if (entry.compressed_size != entry.size) return fail(problem, "a stored entry of two sizes");
    b.copy(&(*out)[0], entry.size, data);
    return true;
  }
  if (entry.method != 8) return fail(problem, "an entry neither stored nor deflated");
  if (!inflate_into(b.data() + data, entry.compressed_size, &(*out)[0], entry.size))
    return fail(problem, "an entry that does not inflate to its size");
  return true;
}
