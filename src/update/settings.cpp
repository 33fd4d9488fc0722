#include "update/settings.h"

#include "update/feed.h"

namespace update {

std::string settings_text(const settings& s) {
  std::string text = "# tavrin-update 1\n# version " + s.version + "\n# name " + s.name +
                     "\n# vendor " + s.vendor + "\n# kind " + s.kind + " " + s.arch + "\n# feed " +
                     s.feed + "\n";
  for (const std::string& key : s.trusted) text += "# trust " + hex(key) + "\n";
  return text;
}

bool parse_settings(const std::string& text, settings* out) {
  settings s;
  bool first = true;
  for (size_t at = 0; at < text.size() && text.compare(at, 2, "# ") == 0;) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) break;
    std::string line = text.substr(at + 2, end - at - 2);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    at = end + 1;
    size_t space = line.find(' ');
    std::string key = line.substr(0, space),
                value = space == line.npos ? "" : line.substr(space + 1);
    if (first && line != "tavrin-update 1") return false;
    first = false;
    std::string point;
    if (key == "version") {
      s.version = value;
    } else if (key == "name") {
      s.name = value;
    } else if (key == "vendor") {
      s.vendor = value;
    } else if (key == "kind" && value.size() == 7) {
      s.kind = value.substr(0, 3);
      s.arch = value.substr(4);
    } else if (key == "feed") {
      s.feed = value;
    } else if (key == "trust" && unhex(value, &point) && point.size() == 64) {
      s.trusted.push_back(point);
    }
  }
  *out = s;
  return !first && is_version(s.version) && !s.name.empty() && !s.feed.empty() &&
         !s.trusted.empty() && (s.kind == "zip" || s.kind == "msi");
}

std::string feed_name(const std::string& name, const std::string& arch, const std::string& kind) {
  std::string text = name + "-windows-" + arch + "-" + kind + ".feed", out;
  for (unsigned char c : text) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~';
    out += plain ? std::string(1, static_cast<char>(c))
                 : "%" + hex(std::string(1, static_cast<char>(c)));
  }
  return out;
}

}  // namespace update
