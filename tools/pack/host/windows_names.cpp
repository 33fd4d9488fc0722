#include "host/windows_names.h"

#include <cstdio>

#include "host/refusal.h"
#include "text.h"

namespace {

// The upper case of a letter of a block whose letters come in pairs, each capital just
// before its small letter; the capitals are at even code points or at odd ones.
char16_t paired(char16_t c, bool capital_even) {
  return (c % 2 == 0) == capital_even ? c : static_cast<char16_t>(c - 1);
}

char16_t upper(char16_t c) {
  auto in = [c](unsigned from, unsigned to) { return c >= from && c <= to; };
  if (in('a', 'z') || (in(0xE0, 0xFE) && c != 0xF7) || in(0x3B1, 0x3CB) || in(0x430, 0x44F) ||
      in(0xFF41, 0xFF5A))
    return static_cast<char16_t>(c == 0x3C2 ? 0x3A3 : c - 32);  // final sigma: Σ
  if (in(0x450, 0x45F)) return static_cast<char16_t>(c - 80);
  if (in(0x561, 0x586)) return static_cast<char16_t>(c - 48);
  if (c == 0xFF) return 0x178;
  if (in(0x100, 0x137) || in(0x14A, 0x177) || in(0x460, 0x481) || in(0x48A, 0x4BF) ||
      in(0x4D0, 0x52F) || in(0x1E00, 0x1E95) || in(0x1EA0, 0x1EFF))
    return paired(c, true);
  if (in(0x139, 0x148) || in(0x179, 0x17E) || in(0x4C1, 0x4CE)) return paired(c, false);
  if (c == 0x3AC) return 0x386;
  if (in(0x3AD, 0x3AF)) return static_cast<char16_t>(c - 37);
  if (c == 0x3CC) return 0x38C;
  if (in(0x3CD, 0x3CE)) return static_cast<char16_t>(c - 63);
  return c;
}

std::string device_problem(const std::string& name) {
  // Windows takes the part before the first dot, trailing spaces dropped, as the device.
  std::string device = name.substr(0, name.find('.'));
  while (!device.empty() && device.back() == ' ') device.pop_back();
  for (char& c : device) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  bool numbered = (device.compare(0, 3, "COM") == 0 || device.compare(0, 3, "LPT") == 0) &&
                  ((device.size() == 4 && device[3] >= '0' && device[3] <= '9') ||
                   device.substr(3) == "\xC2\xB9" || device.substr(3) == "\xC2\xB2" ||
                   device.substr(3) == "\xC2\xB3");  // superscript 1, 2 and 3
  bool named = device == "CON" || device == "PRN" || device == "AUX" || device == "NUL" ||
               device == "CONIN$" || device == "CONOUT$";
  if (!numbered && !named) return "";
  return "is the device " + device + " to Windows" +
         (device.size() == name.size() ? "" : ", whatever follows it");
}

}  // namespace

std::string windows_name_problem(const std::string& name) {
  if (to_utf8(to_utf16(name)) != name) return "is not valid UTF-8";
  if (name.empty() || name == "." || name == "..") return "is no name";
  for (unsigned char c : name) {
    if (c < 32) {
      char code[8];
      std::snprintf(code, sizeof code, "%02X", c);
      return std::string("holds the control character U+00") + code +
             ", which Windows does not allow in a name";
    }
    if (std::string("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string::npos)
      return std::string("holds '") + static_cast<char>(c) +
             "', which Windows does not allow in a name";
  }
  if (name.back() == '.' || name.back() == ' ')
    return std::string("ends in a ") + (name.back() == '.' ? "dot" : "space") +
           ", which Windows drops from a name";
  if (to_utf16(name).size() > 255) return "is longer than the 255 characters of a Windows name";
  return device_problem(name);
}

std::u16string windows_folded(const std::u16string& name) {
  std::u16string folded = name;
  for (char16_t& c : folded) c = upper(c);
  return folded;
}

void add_windows_path(windows_tree* tree, const std::string& path, bool folder) {
  for (size_t at = 0;;) {
    size_t slash = path.find('/', at);
    bool last = slash == std::string::npos;
    std::string part = path.substr(at, last ? std::string::npos : slash - at);
    std::string problem = windows_name_problem(part);
    if (!problem.empty()) throw refusal(tree->what + ": '" + path + "': '" + part + "' " + problem);
    std::string prefix = path.substr(0, slash);
    bool is_folder = !last || folder;
    auto [it, added] = tree->paths.try_emplace(windows_folded(to_utf16(prefix)),
                                               windows_tree::seen{prefix, is_folder});
    if (!added && it->second.path != prefix) {
      throw refusal(tree->what + ": '" + it->second.path + "' and '" + prefix +
                    "' are one name to Windows, which ignores case");
    }
    if (!added && (last || !it->second.folder))
      throw refusal(tree->what + ": '" + prefix + "' is there twice");
    if (last) return;
    at = slash + 1;
  }
}
