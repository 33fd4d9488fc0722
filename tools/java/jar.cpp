#include "jar.h"

#include <zlib.h>

#include <algorithm>

#include "text.h"

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

// The directory's size, stated offset and entry count, and in *end the record it ends at:
// the end record at *end or, as the JDK reads them, the zip64 end record that a locator
// before it points at, unless the two disagree.
void find_directory(const std::string& b, size_t* end, uint64_t* offset, uint64_t* size,
                    uint64_t* count) {
  *count = le(b, *end + 10, 2);
  *size = le(b, *end + 12, 4);
  *offset = le(b, *end + 16, 4);
  size_t locator = *end - zip64_locator_size;
  if (*end < zip64_locator_size || le(b, locator, 4) != zip64_locator_signature) return;
  uint64_t at = le(b, locator + 8, 8);
  if (at > locator || locator - at < zip64_end_size || le(b, at, 4) != zip64_end_signature) return;
  uint64_t count64 = le(b, at + 32, 8), size64 = le(b, at + 40, 8), offset64 = le(b, at + 48, 8);
  if ((count64 != *count && *count != 0xFFFF) || (size64 != *size && *size != 0xFFFFFFFF) ||
      (offset64 != *offset && *offset != 0xFFFFFFFF))
    return;
  *count = count64;
  *size = size64;
  *offset = offset64;
  *end = at;
}

// The sizes and offset that a directory entry stores as 0xFFFFFFFF, from its zip64 extra
// field (id 1) among the length bytes at at: 8 bytes each, in the order size, compressed
// size, offset.
bool read_zip64_extra(const std::string& b, size_t at, size_t length, jar_entry* entry) {
  for (size_t stop = at + length; at + 4 <= stop; at += 4 + le(b, at + 2, 2)) {
    size_t field_end = at + 4 + le(b, at + 2, 2);
    if (le(b, at, 2) != 1) continue;
    if (field_end > stop) return false;
    size_t value = at + 4;
    for (uint64_t* v : {&entry->size, &entry->compressed_size, &entry->local_offset}) {
      if (*v != 0xFFFFFFFF) continue;
      if (field_end - value < 8) return false;
      *v = le(b, value, 8);
      value += 8;
    }
    return true;
  }
  return false;
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
  find_directory(b, &end, &offset, &size, &count);
  // The directory ends where the end record starts. The offsets the zip states count from
  // its own start, which bytes before it (a launcher stub, say) move: the JDK moves every
  // offset by the difference, and so does this.
  if (size > end || offset > end - size) return fail(problem, "a central directory out of place");
  size_t at = end - size, stop = end;
  uint64_t shift = at - offset;
  if (count > max_entries) return fail(problem, "more than 1,048,576 entries");
  if (count > size / central_size) return fail(problem, "more entries than its directory holds");
  jar->entries.reserve(count);
  jar->manifest = std::string_view();
  for (uint64_t i = 0; i < count; ++i) {
    if (stop - at < central_size || le(b, at, 4) != central_signature)
      return fail(problem, "a broken central directory entry");
    size_t name_length = le(b, at + 28, 2), extra_length = le(b, at + 30, 2);
    size_t record = central_size + name_length + extra_length + le(b, at + 32, 2);
    if (stop - at < record) return fail(problem, "a central directory entry past its end");
    if (le(b, at + 8, 2) & 1) return fail(problem, "an encrypted entry");
    std::string_view name = std::string_view(b).substr(at + central_size, name_length);
    jar_entry entry{name,
                    name,
                    static_cast<uint16_t>(le(b, at + 10, 2)),
                    le(b, at + 20, 4),
                    le(b, at + 24, 4),
                    le(b, at + 42, 4)};
    if (entry.method != 0 && entry.method != 8)
      return fail(problem, "an entry neither stored nor deflated");
    if ((entry.compressed_size == 0xFFFFFFFF || entry.size == 0xFFFFFFFF ||
         entry.local_offset == 0xFFFFFFFF) &&
        !read_zip64_extra(b, at + central_size + name_length, extra_length, &entry))
      return fail(problem, "a broken zip64 extra field");
    entry.local_offset = std::min<uint64_t>(entry.local_offset, b.size()) + shift;
    if (equal_ignoring_case(name, "META-INF/MANIFEST.MF")) jar->manifest = name;
    jar->entries.push_back(entry);
    at += record;
  }
  // Of equal names the JDK finds the last in the directory, which the stable sort puts last.
  std::stable_sort(jar->entries.begin(), jar->entries.end(),
                   [](const jar_entry& x, const jar_entry& y) { return x.name < y.name; });
  auto kept = std::unique(jar->entries.rbegin(), jar->entries.rend(),
                          [](const jar_entry& x, const jar_entry& y) { return x.name == y.name; });
  jar->entries.erase(jar->entries.begin(), kept.base());
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
  if (entry.local_offset > b.size() || b.size() - entry.local_offset < local_size ||
      le(b, entry.local_offset, 4) != local_signature)
    return fail(problem, "a broken local entry header");
  size_t at = entry.local_offset;
  size_t data = at + local_size + le(b, at + 26, 2) + le(b, at + 28, 2);
  if (data > b.size() || b.size() - data < entry.compressed_size)
    return fail(problem, "an entry past the jar's end");
  out->resize(entry.size);
  if (entry.method == 0) {
    if (entry.compressed_size != entry.size) return fail(problem, "a stored entry of two sizes");
    b.copy(&(*out)[0], entry.size, data);
    return true;
  }
  if (!inflate_into(b.data() + data, static_cast<uint32_t>(entry.compressed_size), &(*out)[0],
                    static_cast<uint32_t>(entry.size)))
    return fail(problem, "an entry that does not inflate to its size");
  return true;
}
