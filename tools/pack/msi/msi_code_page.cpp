#include "msi/msi_code_page.h"

#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "host/refusal.h"

namespace {

const msi_code_page code_pages[] = {
    {1252, "en_US"}, {1250, "pl_PL"}, {1251, "ru_RU"}, {1253, "el_GR"}, {1254, "tr_TR"},
    {1257, "lt_LT"}, {1255, "he_IL"}, {1256, "ar_SA"}, {874, "th_TH"},  {1258, "vi_VN"},
    {932, "ja_JP"},  {936, "zh_CN"},  {949, "ko_KR"},  {950, "zh_TW"}};

// text converted by iconv from one encoding to another; false when it cannot be.
bool convert(const std::string& text, const std::string& from, const std::string& to,
             std::string* out) {
  iconv_t converter = iconv_open(to.c_str(), from.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  std::string in = text;
  out->assign(text.size() * 4 + 4, '\0');
  char *source = &in[0], *target = &(*out)[0];
  size_t left = in.size(), room = out->size();
  bool done = iconv(converter, &source, &left, &target, &room) != static_cast<size_t>(-1) &&
              iconv(converter, nullptr, nullptr, &target, &room) != static_cast<size_t>(-1);
  iconv_close(converter);
  out->resize(out->size() - room);
  return done;
}

// Whether the code page holds text exactly: there and back gives the same characters.
bool holds(int code_page, const std::string& text) {
  std::string encoded, decoded, name = "CP" + std::to_string(code_page);
  return convert(text, "UTF-8", name, &encoded) && convert(encoded, name, "UTF-8", &decoded) &&
         decoded == text;
}

bool ascii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c > 0; });
}

struct character {
  std::string utf8;
  unsigned point;
};

// The characters of text, which is UTF-8.
std::vector<character> characters(const std::string& text) {
  std::vector<character> out;
  for (size_t at = 0; at < text.size();) {
    size_t length = 1;
    while (at + length < text.size() && (text[at + length] & 0xC0) == 0x80) ++length;
    unsigned point =
        static_cast<unsigned char>(text[at]) & (length == 1 ? 0x7F : 0x3F >> (length - 1));
    for (size_t i = 1; i < length; ++i) point = point << 6 | (text[at + i] & 0x3F);
    out.push_back({text.substr(at, length), point});
    at += length;
  }
  return out;
}

// The first character of text, with its code point, that no code page holds.
std::string homeless_character(const std::string& text) {
  for (const character& c : characters(text)) {
    if (std::none_of(std::begin(code_pages), std::end(code_pages),
                     [&](const msi_code_page& p) { return holds(p.number, c.utf8); })) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", c.point);
      return "'" + c.utf8 + "' (" + code + ")";
    }
  }
  return "";
}

// Whether text holds a letter of the East Asian scripts, from the CJK radicals on: only for
// those are the East Asian code pages taken, whose double-byte sets also hold some Latin,
// Greek and Cyrillic letters and would pass text of mixed scripts that way.
bool east_asian(const std::string& text) {
  if (ascii(text)) return false;
  std::vector<character> all = characters(text);
  return std::any_of(all.begin(), all.end(), [](const character& c) { return c.point >= 0x2E80; });
}

}  // namespace

msi_code_page installer_code_page(const std::vector<msi_text>& texts) {
  bool asian =
      std::any_of(texts.begin(), texts.end(), [](const msi_text& t) { return east_asian(t.text); });
  std::vector<msi_code_page> fitting;
  std::copy_if(
      std::begin(code_pages), std::end(code_pages), std::back_inserter(fitting),
      [&](const msi_code_page& p) { return asian == (p.number >= 932 && p.number <= 950); });
  const msi_text* first = nullptr;  // the first text that is not ASCII
  for (const msi_text& t : texts) {
    if (ascii(t.text)) continue;
    std::vector<msi_code_page> still;
    std::copy_if(fitting.begin(), fitting.end(), std::back_inserter(still),
                 [&](const msi_code_page& p) { return holds(p.number, t.text); });
    if (still.empty()) {
      std::string character = homeless_character(t.text);
      std::string why = !character.empty() ? character + " is in no Windows code page"
                        : first ? "needs another Windows code page than " + first->where + " '" +
                                      first->text + "'"
                                : "mixes letters that no one Windows code page holds";
      throw refusal(t.where + " '" + t.text + "': " + why +
                    ", and an installer's text must fit one code page");
    }
    fitting = still;
    if (!first) first = &t;
  }
  return fitting.front();
}

std::string in_code_page(const std::string& text, int code_page) {
  std::string encoded;
  convert(text, "UTF-8", "CP" + std::to_string(code_page), &encoded);
  return encoded;
}
