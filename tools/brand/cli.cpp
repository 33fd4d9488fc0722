#include "cli.h"

#include <algorithm>

#include "brand.h"
#include "files.h"
#include "tavrin_version.h"
#include "utf8.h"

namespace brand {
namespace {

constexpr char usage[] =
    "usage: tavrin-brand [OPTIONS] INPUT OUTPUT\n"
    "Writes OUTPUT, a copy of the tavrin launcher INPUT with the application's icon and\n"
    "version details; INPUT is left as it is. Options not given keep what INPUT has.\n"
    "  --icon FILE.ico        the application's icon (BMP or PNG images, up to 256x256)\n"
    "  --name TEXT            ProductName\n"
    "  --description TEXT     FileDescription, which Task Manager shows (default: --name)\n"
    "  --vendor TEXT          CompanyName\n"
    "  --copyright TEXT       LegalCopyright\n"
    "  --app-version X[.Y[.Z[.W]]]  FileVersion and ProductVersion, numbers 0-65535\n"
    "  --execution-level asInvoker|highestAvailable|requireAdministrator\n"
    "  --help, --version\n"
    "Brand the unsigned launcher, then sign OUTPUT.\n";

struct options {
  bool help = false, version = false;
  std::vector<std::string> files;
  std::string icon;
  branding b;
};

// Rethrows f's bad_input with subject (a file or option) in front of the message.
template <typename F>
auto about(const std::string& subject, F f) {
  try {
    return f();
  } catch (const bad_input& e) {
    throw bad_input(subject + ": " + e.what());
  }
}

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

options parse(const std::vector<std::string>& args) {
  static const std::pair<const char*, const char16_t*> texts[] = {
      {"--name", u"ProductName"},
      {"--description", u"FileDescription"},
      {"--vendor", u"CompanyName"},
      {"--copyright", u"LegalCopyright"}};
  options o;
  bool described = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "--version") {
      (arg == "--help" ? o.help : o.version) = true;
      continue;
    }
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      o.files.push_back(arg);
      continue;
    }
    auto text = std::find_if(std::begin(texts), std::end(texts),
                             [&](const auto& t) { return arg == t.first; });
    if (text == std::end(texts) && arg != "--icon" && arg != "--app-version" &&
        arg != "--execution-level")
      throw bad_input("unknown option " + arg + " (see --help)");
    if (i + 1 == args.size()) throw bad_input("option " + arg + " needs a value");
    const std::string& value = args[++i];
    if (text != std::end(texts)) {
      std::u16string converted = about(arg, [&] { return text_value(value); });
      o.b.strings.emplace_back(text->second, converted);
      described |= arg == "--description";
      if (arg == "--name" && !described) o.b.strings.emplace_back(u"FileDescription", converted);
    } else if (arg == "--icon") {
      o.icon = value;
    } else if (arg == "--app-version") {
      std::u16string canonical;
      o.b.version = about(arg + " " + value, [&] { return parse_version(value, canonical); });
      o.b.strings.emplace_back(u"FileVersion", canonical);
      o.b.strings.emplace_back(u"ProductVersion", canonical);
    } else {
      if (value != "asInvoker" && value != "highestAvailable" && value != "requireAdministrator")
        throw bad_input(arg + " " + value +
                        ": is not asInvoker, highestAvailable or requireAdministrator");
      o.b.execution_level = value;
    }
  }
  if (!o.help && !o.version && o.files.size() != 2)
    throw bad_input("expects INPUT and OUTPUT (see --help)");
  return o;
}

void brand_files(options& o) {
  const std::string &input = o.files[0], &output = o.files[1];
  bytes image = read_file(input);
  if (!o.icon.empty()) {
    bytes icon = read_file(o.icon);
    o.b.icon = about(o.icon, [&] { return read_icon(icon); });
  }
  if (same_file(input, output))
    throw bad_input(output + ": is INPUT itself; write the branded copy under another name");
  std::string name = base_name(output);
  size_t dot = name.rfind('.');  // a name whose only dot leads, such as ".exe", is all stem
  std::string stem = dot == 0 ? name : name.substr(0, dot);
  o.b.strings.emplace_back(u"OriginalFilename", about(output, [&] { return text_value(name); }));
  o.b.strings.emplace_back(u"InternalName", text_value(stem));
  write_file(output, about(input, [&] { return brand_image(image, o.b); }));
}

}  // namespace

cli_result run_cli(const std::vector<std::string>& args) {
  try {
    options o = parse(args);
    if (o.help) return {0, usage, ""};
    if (o.version) return {0, "tavrin-brand " TAVRIN_VERSION "\n", ""};
    brand_files(o);
    return {0, "", ""};
  } catch (const bad_input& e) {
    return {1, "", std::string("tavrin-brand: ") + e.what() + "\n"};
  }
}

}  // namespace brand
