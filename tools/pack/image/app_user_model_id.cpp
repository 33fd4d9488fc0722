#include "image/app_user_model_id.h"

#include "host/sha256.h"
#include "text.h"

namespace {

// The parts of text between dots, without what an ID cannot hold, empty ones left out.
std::u16string parts(const std::string& text) {
  std::u16string out;
  bool dot = false;
  for (char16_t c : to_utf16(text)) {
    bool ascii = (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
                 c == u'-' || c == u'_';
    // Beyond ASCII, every letter; Latin-1's controls and spaces and Unicode's spaces are not.
    bool other = c >= 0xA1 && !(c >= 0x2000 && c <= 0x200B) && c != 0x2028 && c != 0x2029 &&
                 c != 0x202F && c != 0x205F && c != 0x3000 && c != 0xFEFF;
    dot |= c == u'.';
    if (!ascii && !other) continue;
    if (dot && !out.empty()) out += u'.';
    out += c;
    dot = false;
  }
  return out;
}

std::string limited(const std::u16string& id) {
  const size_t limit = 128;
  if (id.size() <= limit) return to_utf8(id);
  std::u16string tail = to_utf16("." + sha256_hex(to_utf8(id), {}).substr(0, 8));
  size_t cut = limit - tail.size();
  if (id[cut - 1] >= 0xD800 && id[cut - 1] <= 0xDBFF) --cut;  // a surrogate pair stays whole
  return to_utf8(id.substr(0, cut) + tail);
}

}  // namespace

std::string app_user_model_id(const std::string& vendor, const std::string& name) {
  std::u16string id = parts(vendor), app = parts(name);
  return limited(id.empty() || app.empty() ? id + app : id + u"." + app);
}

std::string added_app_user_model_id(const std::string& app_id, const std::string& launcher) {
  std::u16string id = to_utf16(app_id), added = parts(launcher);
  return limited(id.empty() || added.empty() ? id + added : id + u"." + added);
}
