#include "options/pack_options.h"

#include <algorithm>
#include <tuple>

#include "host/name_guid.h"
#include "host/windows_names.h"
#include "options/argument_files.h"
#include "options/fail.h"
#include "platform/launcher_strings.h"
#include "text.h"

const char pack_help[] =
    "usage: tavrin-pack --name NAME --input DIR --main-jar FILE\n"
    "                   (--module-path DIR|ZIP | --runtime-image DIR|ZIP) [OPTIONS]\n"
    "       tavrin-pack --name NAME --app-image DIR --type zip|msi [OPTIONS]\n"
    "Writes a Windows app image into --dest: NAME.exe (the tavrin launcher, branded),\n"
    "NAME.tavrin, app\\ (the jars of --input) and runtime\\, then checks it as the launcher\n"
    "would run it. Exit status: 0 done, 1 written with warnings, 2 refused (nothing written).\n"
    "  --name NAME              the app's name: a Windows file name, for the exe and the file\n"
    "  --input DIR              the folder of jars, all copied into app\\\n"
    "  --main-jar FILE          the jar to start, relative to --input\n"
    "  --main-class CLASS       the class to start (default: the main jar's Main-Class)\n"
    "  --java-options OPT       a JVM option, repeatable\n"
    "  --arguments ARG          an argument for the app, repeatable\n"
    "  --module-path DIR|ZIP    a Windows JDK's jmods folder, or the JDK's zip; repeatable:\n"
    "                           then more folders or zips of jmods (JavaFX's)\n"
    "  --runtime-image DIR|ZIP  a ready Windows runtime, copied as it is\n"
    "  --add-modules M,...      modules to add to those the classes need\n"
    "  --jlink-options OPTS     jlink options instead of the defaults, repeatable\n"
    "  --jlink FILE             the host's jlink (default: $JAVA_HOME/bin/jlink, then PATH)\n"
    "  --win-console            the console launcher, with java.exe as the program\n"
    "  --launcher-as-service    the service launcher, with java.exe as the program; the\n"
    "                           installer (per machine) installs and starts the service\n"
    "  --add-launcher NAME=FILE another launcher beside NAME.exe, from a properties file\n"
    "                           (main-jar, main-class, arguments, java-options, win-console,\n"
    "                           win-menu, win-shortcut, icon, description, app-version),\n"
    "                           repeatable\n"
    "  --app-image DIR          an image pack made (and you changed), packed as it is\n"
    "  @FILE                    options read from FILE\n"
    "  --icon FILE.ico, --app-version X[.Y[.Z[.W]]] (default 1.0), --vendor TEXT,\n"
    "  --description TEXT, --copyright TEXT   branding, as tavrin-brand applies it\n"
    "  --app-user-model-id ID   the ID the app's windows are grouped and pinned under on the\n"
    "                           taskbar (default: VENDOR.NAME; each added launcher's ends\n"
    "                           in .LAUNCHER)\n"
    "  --type app-image|zip|msi the image (default), or NAME-VERSION-windows-ARCH.zip or .msi\n"
    "  --dest DIR               where the output goes (default: the current folder)\n"
    "  --verbose                also print the jlink and signing commands\n"
    "  --help, --version\n"
    "The installer (--type msi) needs --vendor; it installs for the user who runs it into\n"
    "%LOCALAPPDATA%\\Programs\\NAME, with a Start-menu shortcut:\n"
    "  --win-per-machine-install  into Program Files for all users instead (needs elevation)\n"
    "  --install-dir DIR        the install folder below those, instead of NAME\n"
    "  --file-associations FILE a file type the app opens, from a properties file\n"
    "                           (extension, mime-type, description, icon), repeatable\n"
    "  --win-menu-group GROUP   the shortcut in this Start-menu folder (--win-menu: always made)\n"
    "  --win-shortcut           a desktop shortcut too\n"
    "  --about-url URL          the help link of Installed apps\n"
    "  --win-upgrade-uuid UUID  the UpgradeCode (default: a name-based UUID of vendor and name)\n";

namespace {

// Why the vendor cannot name the installer's registry key Software\VENDOR\NAME, whose
// names may hold any printable character but the backslash; empty when it can.
std::string vendor_problem(const std::string& vendor) {
  for (unsigned char c : vendor) {
    if (c == '\\') return "holds '\\', which separates registry keys";
    if (c < 32) return "holds a control character, which a registry key name cannot";
  }
  return to_utf16(vendor).size() > 255 ? "is longer than the 255 characters of a registry key name"
                                       : "";
}

bool is_utf8(const std::string& text) {
  return to_utf8(to_utf16(text)) == text;
}

// The words of text between white space.
std::vector<std::string> split(const std::string& text, const char* separators) {
  std::vector<std::string> words;
  for (size_t at = 0; at < text.size();) {
    size_t start = text.find_first_not_of(separators, at);
    if (start == std::string::npos) break;
    at = std::min(text.find_first_of(separators, start), text.size());
    words.push_back(text.substr(start, at - start));
  }
  return words;
}

// Whether version is an installer's ProductVersion: major.minor.build, each part present or
// not, with major and minor up to 255 and build up to 65535.
bool is_product_version(const std::string& version) {
  const unsigned long limits[] = {255, 255, 65535};
  size_t at = 0;
  for (unsigned long limit : limits) {
    size_t dot = std::min(version.find('.', at), version.size());
    std::string part = version.substr(at, dot - at);
    if (part.empty() || part.size() > 5 || part.find_first_not_of("0123456789") != part.npos ||
        std::stoul(part) > limit)
      return false;
    at = dot + 1;
    if (at > version.size()) return true;
  }
  return false;
}

// The options that build an image, which --app-image has already.
const char* const building[] = {
    "--input",         "--main-jar",    "--main-class",    "--java-options",
    "--arguments",     "--module-path", "--runtime-image", "--add-modules",
    "--jlink-options", "--jlink",       "--win-console",   "--add-launcher",
    "--icon",          "--description", "--copyright",     "--app-user-model-id"};

// Sets one option's value; false with *problem set when the value cannot be used.
bool take(pack_options* o, const std::string& option, const std::string& value,
          std::string* problem) {
  if (!is_utf8(value)) return fail(problem, option + ": is not valid UTF-8");
  if (is_signing_option(option)) return take_signing_option(&o->signing, option, value, problem);
  if (is_update_option(option)) return take_update_option(&o->update, option, value, problem);
  if (option == "--name") {
    std::string why = windows_name_problem(value);
    if (!why.empty())
      return fail(problem, "--name " + value + ": is not a Windows file name: it " + why);
    o->name = value;
  } else if (option == "--app-version") {
    o->app_version = value;
  } else if (option == "--vendor") {
    o->vendor = value;
  }
  if (brand::is_branding_option(option)) {
    try {
      brand::add_branding_option(&o->branding, option, value);
    } catch (const brand::bad_input& e) {
      return fail(problem, e.what());
    }
    return true;
  }
  std::pair<const char*, std::string*> paths[] = {
      {"--input", &o->input},           {"--main-jar", &o->main_jar},
      {"--main-class", &o->main_class}, {"--runtime-image", &o->runtime_image},
      {"--jlink", &o->jlink},           {"--dest", &o->dest},
      {"--app-image", &o->app_image}};
  for (auto& [name, field] : paths) {
    if (option == name) {
      *field = value;
      return true;
    }
  }
  if (option == "--java-options") {
    std::string why = java_option_problem(value);
    if (!why.empty()) return fail(problem, "--java-options " + value + ": " + why);
    o->java_options.push_back(value);
  } else if (option == "--add-launcher") {
    return take_launcher(value, &o->launchers, &o->notes, problem);
  } else if (option == "--file-associations") {
    return take_association(value, &o->installer.associations, problem);
  } else if (option == "--module-path") {
    o->module_path.push_back(value);  // one path, even with ':' in it
  } else if (option == "--arguments") {
    o->arguments.push_back(value);
  } else if (option == "--add-modules") {
    for (const std::string& module : split(value, ",")) o->add_modules.push_back(module);
  } else if (option == "--jlink-options") {
    for (const std::string& word : split(value, " \t\r\n")) o->jlink_options.push_back(word);
    o->jlink_options_given = true;
  } else if (option == "--type") {
    if (value != "app-image" && value != "zip" && value != "msi")
      return fail(problem, "--type " + value + ": is not app-image, zip or msi");
    o->type = value == "zip"   ? output_type::zip
              : value == "msi" ? output_type::msi
                               : output_type::app_image;
  } else if (option == "--win-menu-group") {
    std::string why = windows_name_problem(value);
    if (!why.empty())
      return fail(problem,
                  "--win-menu-group " + value + ": is not a Windows folder name: it " + why);
    o->installer.menu_group = value;
  } else if (option == "--install-dir") {
    o->installer.install_dir = split(value, "\\/");
    for (const std::string& part : o->installer.install_dir) {
      std::string why = windows_name_problem(part);
      if (!why.empty()) return fail(problem, "--install-dir " + value + ": '" + part + "' " + why);
    }
    if (o->installer.install_dir.empty()) return fail(problem, "--install-dir needs a folder name");
  } else if (option == "--win-upgrade-uuid") {
    o->installer.upgrade_uuid = msi_guid(value);
    if (o->installer.upgrade_uuid.empty())
      return fail(problem, "--win-upgrade-uuid " + value + ": is not a UUID");
  } else if (option == "--about-url") {
    o->installer.about_url = value;
  } else {
    return fail(problem, "unknown option " + option);
  }
  return true;
}

}  // namespace

bool parse_pack_options(const std::vector<std::string>& given, pack_options* o,
                        std::string* problem) {
  std::vector<std::string> args, used;
  if (!expand_argument_files(given, &args, problem, &o->warnings)) return false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    used.push_back(option);
    if (option == "--help" || option == "--version") {
      (option == "--help" ? o->help : o->version) = true;
      return true;
    }
    if (option == "--win-console" || option == "--verbose" || option == "--launcher-as-service") {
      (option == "--verbose"       ? o->verbose
       : option == "--win-console" ? o->win_console
                                   : o->launcher_as_service) = true;
      continue;
    }
    bool installer = (option.compare(0, 6, "--win-") == 0 && option != "--win-console" &&
                      !is_signing_option(option)) ||
                     option == "--install-dir" || option == "--file-associations";
    if (installer && o->installer_option.empty()) o->installer_option = option;
    if (option == "--win-menu") continue;  // jpackage's; the Start-menu shortcut is always made
    if (option == "--win-per-machine-install" || option == "--win-shortcut") {
      (option == "--win-shortcut" ? o->installer.desktop_shortcut : o->installer.per_machine) =
          true;
      continue;
    }
    if (option.compare(0, 2, "--") != 0) return fail(problem, "unexpected " + option);
    if (i + 1 == args.size()) return fail(problem, option + " needs a value");
    if (!take(o, option, args[++i], problem)) return false;
  }
  // The exe shows the app's version and copyright, never the launcher's own.
  std::vector<std::pair<std::u16string, std::u16string>>& texts = o->branding.b.strings;
  for (auto [option, key, value] : {std::tuple<const char*, const char16_t*, const char*>{
                                        "--app-version", u"FileVersion", "1.0"},
                                    {"--copyright", u"LegalCopyright", ""}}) {
    if (std::none_of(texts.begin(), texts.end(), [&](const auto& t) { return t.first == key; }))
      brand::add_branding_option(&o->branding, option, value);
  }
  if (o->name.empty()) return fail(problem, "--name is required");
  if (!o->app_image.empty()) {
    if (o->type == output_type::app_image)
      return fail(problem, "--app-image needs --type zip or msi: the image is there already");
    for (const std::string& option : used)
      if (std::find(std::begin(building), std::end(building), option) != std::end(building))
        return fail(problem, option + ": not with --app-image, which is packed as it is");
  } else {
    for (auto [option, value] : {std::pair<const char*, const std::string*>{"--input", &o->input},
                                 {"--main-jar", &o->main_jar}}) {
      if (value->empty()) return fail(problem, std::string(option) + " is required");
    }
    if (o->runtime_image.empty() == o->module_path.empty())
      return fail(problem, "give either --module-path (a Windows JDK's jmods) or --runtime-image");
  }
  for (const launcher_request& l : o->launchers) {
    if (windows_folded(to_utf16(l.name)) == windows_folded(to_utf16(o->name)) ||
        std::count_if(o->launchers.begin(), o->launchers.end(), [&](const launcher_request& m) {
          return windows_folded(to_utf16(m.name)) == windows_folded(to_utf16(l.name));
        }) > 1)
      return fail(problem, "--add-launcher " + l.name + ": another launcher has that name");
  }
  if (!o->runtime_image.empty() &&
      (!o->add_modules.empty() || o->jlink_options_given || !o->jlink.empty()))
    return fail(problem, "--add-modules, --jlink-options and --jlink need --module-path");
  if (o->launcher_as_service && o->win_console)
    return fail(problem,
                "--launcher-as-service and --win-console: the main launcher is a "
                "service or a console program, not both");
  if (o->launcher_as_service && o->type == output_type::msi && !o->installer.per_machine)
    return fail(problem,
                "--launcher-as-service needs --win-per-machine-install: a service is "
                "installed for the whole machine, never for one user");
  if (!check_signing_options(o->signing, problem)) return false;
  if (!check_update_options(
          o->update,
          {o->type != output_type::app_image, o->installer.per_machine, !o->launchers.empty(),
           !o->app_image.empty(), o->launcher_as_service, o->vendor},
          problem))
    return false;
  bool updates = !o->update.url.empty();
  // The launcher learns from its string table that the app updates itself, and how often.
  if (updates)
    o->branding.b.table_strings.emplace_back(launcher_strings::update_interval,
                                             to_utf16(std::to_string(o->update.interval_hours)));
  // The installer's help link is also the URL of a signature.
  if (!o->installer.about_url.empty() && o->type != output_type::msi && !signs(o->signing))
    return fail(problem, "--about-url needs --type msi or a way to sign");
  if (updates && !vendor_problem(o->vendor).empty())
    return fail(problem, "--vendor " + o->vendor + ": " + vendor_problem(o->vendor) +
                             "; the update policy's key is Software\\Policies\\VENDOR\\NAME");
  if (o->type != output_type::msi) {
    return o->installer_option.empty() || fail(problem, o->installer_option + " needs --type msi");
  }
  // The vendor and the name make the registry key Software\VENDOR\NAME and, by default,
  // the upgrade code.
  if (o->vendor.empty())
    return fail(problem,
                "--type msi needs --vendor: the publisher, and the registry key "
                "Software\\VENDOR\\NAME");
  std::string why = vendor_problem(o->vendor);
  if (!why.empty())
    return fail(problem, "--vendor " + o->vendor + ": " + why +
                             "; the installer's registry key is Software\\VENDOR\\NAME");
  if (!is_product_version(o->app_version))
    return fail(problem, "--app-version " + o->app_version +
                             ": an installer's version is MAJOR.MINOR.BUILD, with major and "
                             "minor at most 255 and build at most 65535");
  return true;
}
