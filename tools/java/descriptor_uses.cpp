#include "descriptor_uses.h"

#include <cstdint>
#include <utility>

#include "byte_reader.h"

namespace {

enum element : uint8_t { annotation, pair, value };

// Reads count annotations, or count values: an annotation is a type, then pairs of a name and
// a value; a value is a constant, an enum (its type, then its name), a class (its return
// descriptor), an annotation or an array of values. Open levels are kept on a list rather than
// in recursion, as values can nest as deep as the bytes allow.
void read_elements(byte_reader& r, element kind, unsigned count, std::vector<unsigned>* uses) {
  std::vector<std::pair<element, unsigned>> open{{kind, count}};  // and how many are left
  while (!open.empty() && r.ok) {
    if (open.back().second == 0) {
      open.pop_back();
      continue;
    }
    --open.back().second;
    element next = open.back().first;
    if (next == pair) {
      r.skip(2);  // the name
      next = value;
    }
    if (next == value) {
      char tag = static_cast<char>(r.u(1));
      if (tag == '@') {
        next = annotation;
      } else if (tag == '[') {
        open.push_back({value, r.u(2)});
      } else if (tag == 'e' || tag == 'c') {
        uses->push_back(r.u(2));
        if (tag == 'e') r.skip(2);
      } else if (std::string_view("BCDFIJSZs").find(tag) != std::string_view::npos) {
        r.skip(2);
      } else {
        r.ok = false;  // no value: what follows cannot be found
      }
    }
    if (next != annotation) continue;
    uses->push_back(r.u(2));
    open.push_back({pair, r.u(2)});
  }
}

// Skips a type annotation's target_type and target_info, and its type_path; false for a
// target_type that is none.
bool skip_type_target(byte_reader& r) {
  unsigned type = r.u(1);
  size_t size = 0;
  if (type == 0x40 || type == 0x41) {  // local variables: a table of their ranges
    size = 6 * size_t{r.u(2)};
  } else if (type <= 0x01 || type == 0x16) {
    size = 1;
  } else if ((type >= 0x10 && type <= 0x12) || type == 0x17 || (type >= 0x42 && type <= 0x46)) {
    size = 2;
  } else if (type >= 0x47 && type <= 0x4B) {
    size = 3;
  } else if (type < 0x13 || type > 0x15) {
    return false;
  }
  r.skip(size);
  r.skip(2 * size_t{r.u(1)});
  return true;
}

// An attribute table. A Code attribute's own table and a Record's components are read only
// from a class's or member's table (outer), so that malformed bytes cannot nest them without
// end.
void read_attributes(byte_reader& r, const std::vector<std::string_view>& texts, bool outer,
                     std::vector<unsigned>* uses) {
  for (unsigned count = r.u(2); count > 0 && r.ok; --count) {
    unsigned index = r.u(2);
    std::string_view name = index < texts.size() ? texts[index] : std::string_view();
    size_t length = r.u(4);
    byte_reader a = r.part(length);
    r.skip(length);
    if (name == "Signature") {
      uses->push_back(a.u(2));
    } else if (name == "RuntimeVisibleAnnotations" || name == "RuntimeInvisibleAnnotations") {
      read_elements(a, annotation, a.u(2), uses);
    } else if (name == "RuntimeVisibleParameterAnnotations" ||
               name == "RuntimeInvisibleParameterAnnotations") {
      for (unsigned parameters = a.u(1); parameters > 0 && a.ok; --parameters) {
        read_elements(a, annotation, a.u(2), uses);
      }
    } else if (name == "RuntimeVisibleTypeAnnotations" ||
               name == "RuntimeInvisibleTypeAnnotations") {
      for (unsigned annotations = a.u(2); annotations > 0 && a.ok && skip_type_target(a);
           --annotations) {
        read_elements(a, annotation, 1, uses);
      }
    } else if (name == "AnnotationDefault") {
      read_elements(a, value, 1, uses);
    } else if (name == "LocalVariableTable" || name == "LocalVariableTypeTable") {
      for (unsigned variables = a.u(2); variables > 0 && a.ok; --variables) {
        a.skip(6);  // start_pc, length, name
        uses->push_back(a.u(2));
        a.skip(2);  // slot
      }
    } else if (name == "Code" && outer) {
      a.skip(4);                   // max_stack, max_locals
      a.skip(a.u(4));              // the code
      a.skip(8 * size_t{a.u(2)});  // exception table
      read_attributes(a, texts, false, uses);
    } else if (name == "Record" && outer) {
      for (unsigned components = a.u(2); components > 0 && a.ok; --components) {
        a.skip(2);  // name
        uses->push_back(a.u(2));
        read_attributes(a, texts, false, uses);
      }
    }
  }
}

}  // namespace

std::vector<unsigned> descriptor_uses(std::string_view bytes, size_t at,
                                      const std::vector<std::string_view>& texts) {
  std::vector<unsigned> uses;
  byte_reader r{bytes, at};
  r.skip(6);                                       // access_flags, this_class, super_class
  r.skip(2 * size_t{r.u(2)});                      // interfaces
  for (int members = 0; members < 2; ++members) {  // fields, then methods
    for (unsigned count = r.u(2); count > 0 && r.ok; --count) {
      r.skip(4);  // access_flags, name
      uses.push_back(r.u(2));
      read_attributes(r, texts, true, &uses);
    }
  }
  read_attributes(r, texts, true, &uses);
  return uses;
}
