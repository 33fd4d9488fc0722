#include "class_file.h"

#include <algorithm>

#include "descriptor_uses.h"

namespace {

enum : uint8_t {
  utf8 = 1,
  integer = 3,
  float_value = 4,
  long_value = 5,
  double_value = 6,
  class_ref = 7,
  string_ref = 8,
  name_and_type = 12,
  method_handle = 15,
  method_type = 16,
  dynamic = 17,
  invoke_dynamic = 18,
  module_ref = 19,
  package_ref = 20,
};

}  // namespace

int constant_payload(uint8_t tag) {
  switch (tag) {
    case class_ref:
    case string_ref:
    case method_type:
    case module_ref:
    case package_ref:
      return 2;
    case method_handle:
      return 3;
    case long_value:
    case double_value:
      return 8;
    case integer:
    case float_value:
    case 9:   // field
    case 10:  // method
    case 11:  // interface method
    case name_and_type:
    case dynamic:
    case invoke_dynamic:
      return 4;
    default:
      return -1;
  }
}

namespace {

unsigned u16(std::string_view b, size_t at) {
  return static_cast<unsigned char>(b[at]) << 8 | static_cast<unsigned char>(b[at + 1]);
}

// The classes of a descriptor or signature: each L that starts a type, up to its ';', '<'
// or '.'; a type variable (T...;) is skipped. The type parameters that open a class's or a
// method's signature are names up to ':', right after that '<' and after each bound, and a
// name may start with L or T too.
void add_descriptor_classes(std::string_view text, std::vector<std::string_view>* classes) {
  bool parameters = !text.empty() && text[0] == '<';
  size_t depth = 0;  // of '<'
  bool type_start = true;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (parameters && depth == 1 && (text[i - 1] == '<' || text[i - 1] == ';') && c != ':' &&
        c != '>') {
      i = text.find(':', i);
      if (i == std::string_view::npos) return;
      c = ':';
    } else if (type_start && (c == 'L' || c == 'T')) {
      size_t end = text.find_first_of(c == 'L' ? ";<." : ";", i + 1);
      if (end == std::string_view::npos) return;
      if (c == 'L') classes->push_back(text.substr(i + 1, end - i - 1));
      i = end;
      c = text[i];
    }
    if (c == '<') ++depth;
    if (c == '>' && depth > 0 && --depth == 0) parameters = false;
    type_start = c == '(' || c == ')' || c == '[' || c == ';' || c == '<' || c == '>' || c == ':' ||
                 c == '+' || c == '-' || c == '^';
  }
}

}  // namespace

bool read_class_file(std::string_view b, class_file* out, std::string* problem) {
  out->classes.clear();
  if (b.size() < 10 || b.substr(0, 4) != "\xCA\xFE\xBA\xBE") {
    *problem = "no class file";
    return false;
  }
  out->minor = static_cast<uint16_t>(u16(b, 4));
  out->major = static_cast<uint16_t>(u16(b, 6));
  unsigned count = u16(b, 8);
  // Each entry's text when it is utf8, and the utf8 entry of each class entry; how each text
  // is used, to tell names and literals from descriptors. A text used as a string only is a
  // literal, which names no class; one that is a class's name or a descriptor as well still
  // does.
  std::vector<std::string_view> texts(count);
  std::vector<unsigned> class_names(count);
  std::vector<uint8_t> uses(count);
  enum : uint8_t { literal = 1, class_name = 2, descriptor = 4 };
  auto use = [&](unsigned index, uint8_t as) {
    if (index < count) uses[index] |= as;
  };
  size_t at = 10;
  unsigned i = 1;
  for (; i < count; ++i) {
    if (at >= b.size()) break;
    uint8_t tag = static_cast<uint8_t>(b[at]);
    if (tag == utf8) {
      if (b.size() - at < 3 || b.size() - at - 3 < u16(b, at + 1)) break;
      texts[i] = b.substr(at + 3, u16(b, at + 1));
      at += 3 + texts[i].size();
      continue;
    }
    int length = constant_payload(tag);
    if (length < 0 || b.size() - at - 1 < static_cast<size_t>(length)) break;
    if (tag == class_ref) {
      class_names[i] = u16(b, at + 1);
      use(class_names[i], class_name);
    }
    if (tag == string_ref) use(u16(b, at + 1), literal);
    if (tag == method_type) use(u16(b, at + 1), descriptor);
    if (tag == name_and_type) use(u16(b, at + 3), descriptor);
    at += 1 + static_cast<size_t>(length);
    if (tag == long_value || tag == double_value) ++i;  // these take two entries
  }
  if (i < count) {
    *problem = "a broken constant pool";
    return false;
  }
  // access_flags, this_class, super_class: each class index names the text of its entry.
  auto class_text = [&](size_t offset) {
    unsigned index = b.size() - at >= offset + 2 ? u16(b, at + offset) : 0;
    unsigned name = index < count ? class_names[index] : 0;
    return name < count ? texts[name] : std::string_view();
  };
  out->name = class_text(2);
  if (out->name.empty()) {
    *problem = "no name of its own";
    return false;
  }
  out->super_name = class_text(4);
  for (unsigned index : descriptor_uses(b, at, texts)) use(index, descriptor);
  for (i = 1; i < count; ++i) {
    std::string_view text = texts[i];
    if (text.empty() || uses[i] == literal) continue;
    if ((uses[i] & class_name) && text[0] != '[') {
      out->classes.push_back(text);
    } else if (uses[i] != 0 || text[0] == '(' || text[0] == 'L' || text[0] == '[' ||
               text[0] == '<') {
      add_descriptor_classes(text, &out->classes);
    }
  }
  return true;
}

int java_feature(uint16_t major) {
  return major - 44;
}

std::string java_release(uint16_t major) {
  int release = java_feature(major);
  return release <= 8 ? "1." + std::to_string(release) : std::to_string(release);
}

std::string dotted(std::string_view name) {
  std::string text(name);
  std::replace(text.begin(), text.end(), '/', '.');
  return text;
}
