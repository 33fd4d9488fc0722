// A class file's version, and the classes its constant pool refers to by name or in
// descriptors and signatures.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Names are in class-file form (java/sql/Connection), into the bytes.
struct class_file {
  uint16_t minor;  // preview_minor for a class that uses its release's preview features
  uint16_t major;
  std::string_view name;        // its own, this_class
  std::string_view super_name;  // super_class's; empty when it names no class, as Object's
  // Named by constant-pool texts used as class names, descriptors or signatures; a text used
  // only as a string names none.
  std::vector<std::string_view> classes;
};

constexpr uint16_t preview_minor = 0xFFFF;

// Reads bytes into *out. False with *problem set (a phrase) when they are no class file, its
// constant pool holds an unknown tag or runs past their end, or it names no class of its own.
bool read_class_file(std::string_view bytes, class_file* out, std::string* problem);

// The bytes after a constant-pool entry's tag, for every tag but utf8 (1, whose length
// follows it); -1 for an unknown tag.
int constant_payload(uint8_t tag);

// The Java release that a class file's major version needs, as a number (8 for 52, 17 for
// 61; below 1 for no release) and as Java names it ("1.8", "17").
int java_feature(uint16_t major);
std::string java_release(uint16_t major);

// A class-file name as Java writes it: java.sql.Connection for java/sql/Connection.
std::string dotted(std::string_view name);
