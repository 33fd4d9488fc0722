#include "branding_options.h"

#include <algorithm>
#include <utility>

#include "files.h"
#include "platform/launcher_strings.h"
#include "utf8.h"

namespace brand {
namespace {

const std::pair<const char*, const char16_t*> texts[] = {{"--name", u"ProductName"},
                                                         {"--description", u"FileDescription"},
                                                         {"--vendor", u"CompanyName"},
                                                         {"--copyright", u"LegalCopyright"}};

std::array<uint16_t, 4> parse_version(const std::string& text, std::u16string& canonical) {
  std::array<uint16_t, 4> numbers{};
  size_t count = 0;
  for (size_t at = 0; at <= text.size(); ++at) {
    size_t dot = std::min(text.find('.', at), text.size());
    std::string part = text.substr(at, dot - at);
    if (count == 4) throw bad_input("has more than four numbers");
    if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos)
      throw bad_input("has an empty or non-numeric part");
    unsigned long value = 0;
    for (char c : part) value = std::min(value * 10 + static_cast<unsigned>(c - '0'), 65536ul);
    if (value > 65535) throw bad_input("has a number over 65535");
    numbers[count++] = static_cast<uint16_t>(value);
    canonical += (count > 1 ? u"." : u"") + *utf16_of(std::to_string(value));
    at = dot;
  }
  return numbers;
}

std::u16string text_value(const std::string& text) {
  std::optional<std::u16string> converted = utf16_of(text);
  if (!converted) throw bad_input("is not valid UTF-8");
  return *converted;
}

// An AppUserModelID as Windows takes it: up to 128 characters, no spaces.
std::u16string app_user_model_id(const std::string& value) {
  std::u16string id = text_value(value);
  if (id.empty() || id.size() > launcher_strings::max_app_user_model_id)
    throw bad_input("is not 1 to 128 characters");
  if (std::any_of(id.begin(), id.end(), [](char16_t c) { return c <= u' ' || c == 0x7F; }))
    throw bad_input("has a space or a control character");
  return id;
}

}  // namespace

bool is_branding_option(const std::string& option) {
  return option == "--icon" || option == "--app-version" || option == "--app-user-model-id" ||
         std::any_of(std::begin(texts), std::end(texts),
                     [&](const auto& t) { return option == t.first; });
}

void add_branding_option(branding_request* request, const std::string& option,
                         const std::string& value) {
  branding& b = request->b;
  if (option == "--icon") {
    request->icon_file = value;
  } else if (option == "--app-version") {
    std::u16string canonical;
    b.version = about(option + " " + value, [&] { return parse_version(value, canonical); });
    b.strings.emplace_back(u"FileVersion", canonical);
    b.strings.emplace_back(u"ProductVersion", canonical);
  } else if (option == "--app-user-model-id") {
    b.table_strings.emplace_back(
        launcher_strings::app_user_model_id,
        about(option + " " + value, [&] { return app_user_model_id(value); }));
  } else {
    auto text = std::find_if(std::begin(texts), std::end(texts),
                             [&](const auto& t) { return option == t.first; });
    std::u16string converted = about(option, [&] { return text_value(value); });
    b.strings.emplace_back(text->second, converted);
    request->described |= option == "--description";
    if (option == "--name" && !request->described)
      b.strings.emplace_back(u"FileDescription", converted);
  }
}

branding branding_for(const branding_request& request, const std::string& output_name) {
  branding b = request.b;
  if (!request.icon_file.empty()) {
    bytes icon = read_file(request.icon_file);
    b.icon = about(request.icon_file, [&] { return read_icon(icon); });
  }
  size_t dot = output_name.rfind('.');  // a name whose only dot leads, such as ".exe", is all stem
  std::string stem = dot == 0 ? output_name : output_name.substr(0, dot);
  b.strings.emplace_back(u"OriginalFilename",
                         about(output_name, [&] { return text_value(output_name); }));
  b.strings.emplace_back(u"InternalName", text_value(stem));
  return b;
}

}  // namespace brand
