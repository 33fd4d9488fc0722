// A class file's version, and the classes its constant pool refers to by name or in
// descriptors and signatures.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct class_file {
  uint16_t major;
  std::vector<std::string_view>
      classes;  // in class-file form (java/sql/Connection), into the bytes
};

// Reads bytes into *out. False with *problem set (a phrase) when they are no class file, or
// its constant pool holds an unknown tag or runs past their end.
bool read_class_file(std::string_view bytes, class_file* out, std::string* problem);

// The bytes after a constant-pool entry's tag, for every tag but utf8 (1, whose length
// follows it); -1 for an unknown tag.
int constant_payload(uint8_t tag);

// The Java release that a class file's major version needs: "1.8" for 52, "17" for 61.
std::string java_release(uint16_t major);
