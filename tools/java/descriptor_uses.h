// Where a class file names descriptors and signatures after its constant pool.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// The constant-pool indexes that bytes from at (just past the constant pool) use as descriptors
// or signatures: fields', methods', record components' and local variables' types, Signature
// attributes, and the annotation, enum and class types of annotations; texts holds each utf8
// entry's text, to know attributes by name. What lies past the end of the bytes, or in a table
// that cannot be read, is skipped.
std::vector<unsigned> descriptor_uses(std::string_view bytes, size_t at,
                                      const std::vector<std::string_view>& texts);
