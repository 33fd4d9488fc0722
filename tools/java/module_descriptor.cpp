#include "module_descriptor.h"

#include "byte_reader.h"
#include "class_file.h"
#include "jar.h"

namespace {

enum : uint8_t { utf8 = 1, long_value = 5, double_value = 6, module_ref = 19, package_ref = 20 };

struct pool_entry {
  uint8_t tag;
  size_t at;  // just after the tag
};

// The text of a utf8 entry, or of the utf8 entry that a module or package entry names.
std::string text_of(const std::vector<pool_entry>& pool, std::string_view b, unsigned index) {
  if (index == 0 || index >= pool.size()) return "";
  byte_reader r{b, pool[index].at};
  if (pool[index].tag == module_ref || pool[index].tag == package_ref) {
    index = r.u(2);
    if (index == 0 || index >= pool.size()) return "";
    r = byte_reader{b, pool[index].at};
  }
  if (pool[index].tag != utf8) return "";
  unsigned length = r.u(2);
  return r.ok && b.size() - r.at >= length ? std::string(b.substr(r.at, length)) : "";
}

void read_module(byte_reader& r, const std::vector<pool_entry>& pool, module_descriptor* out) {
  out->name = text_of(pool, r.b, r.u(2));
  r.u(2);  // flags
  out->version = text_of(pool, r.b, r.u(2));
  r.skip(6 * size_t{r.u(2)});  // requires
  for (unsigned count = r.u(2); count > 0 && r.ok; --count) {
    std::string package = text_of(pool, r.b, r.u(2));
    r.u(2);  // flags
    unsigned targets = r.u(2);
    r.skip(2 * size_t{targets});
    if (targets == 0) out->exports.push_back(package);
  }
}

}  // namespace

bool read_module_descriptor(std::string_view bytes, module_descriptor* out, std::string* problem) {
  *out = module_descriptor{};
  byte_reader r{bytes, 0};
  if (r.u(4) != 0xCAFEBABE) {
    *problem = "no class file";
    return false;
  }
  r.skip(4);
  std::vector<pool_entry> pool(r.u(2));
  for (size_t i = 1; i < pool.size() && r.ok; ++i) {
    uint8_t tag = static_cast<uint8_t>(r.u(1));
    pool[i] = {tag, r.at};
    int size = tag == utf8 ? static_cast<int>(r.u(2)) : constant_payload(tag);
    r.ok &= size >= 0;
    r.skip(static_cast<size_t>(size < 0 ? 0 : size));
    if (tag == long_value || tag == double_value) ++i;  // these take two entries
  }
  r.skip(6);
  r.skip(2 * size_t{r.u(2)});                      // interfaces
  for (int members = 0; members < 2; ++members) {  // fields, then methods
    for (unsigned count = r.u(2); count > 0 && r.ok; --count) {
      r.skip(6);
      for (unsigned attributes = r.u(2); attributes > 0 && r.ok; --attributes) {
        r.skip(2);
        r.skip(r.u(4));
      }
    }
  }
  for (unsigned attributes = r.u(2); attributes > 0 && r.ok; --attributes) {
    std::string name = text_of(pool, bytes, r.u(2));
    unsigned length = r.u(4);
    byte_reader attribute = r.part(length);
    if (name == "Module") read_module(attribute, pool, out);
    if (name == "ModuleTarget") out->target_platform = text_of(pool, bytes, attribute.u(2));
    r.ok &= attribute.ok;
    r.skip(length);
  }
  if (!r.ok || out->name.empty()) {
    *problem = "no readable Module attribute";
    return false;
  }
  return true;
}

bool read_jmod_descriptor(std::string bytes, module_descriptor* out, std::string* problem) {
  if (bytes.compare(0, 4, std::string("JM\x01\x00", 4)) != 0) {
    *problem = "no jmod header";
    return false;
  }
  bytes.erase(0, 4);
  jar_file jmod;
  std::string descriptor;
  if (!open_jar(std::move(bytes), &jmod, problem)) return false;
  const jar_entry* entry = find_entry(jmod, "classes/module-info.class");
  if (!entry) {
    *problem = "no classes/module-info.class";
    return false;
  }
  return read_entry(&jmod, *entry, &descriptor, problem) &&
         read_module_descriptor(descriptor, out, problem);
}
