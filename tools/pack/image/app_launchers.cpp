#include "image/app_launchers.h"

#include <algorithm>

#include "host/host_files.h"
#include "host/refusal.h"
#include "image/app_user_model_id.h"
#include "jar.h"
#include "manifest.h"
#include "options/argument_files.h"
#include "platform/launcher_strings.h"
#include "text.h"

namespace {

std::string main_class_of(const fs::path& jar) {
  jar_file file;
  std::string problem, manifest, main;
  if (!open_jar(read_host_file(jar), &file, &problem))
    throw refusal(jar.u8string() + ": is not a readable jar (" + problem + ")");
  const jar_entry* entry = file.manifest.empty() ? nullptr : find_entry(file, file.manifest);
  if (entry && read_entry(&file, *entry, &manifest, &problem))
    main = read_manifest(manifest).main_class;
  if (main.empty()) throw refusal(jar.u8string() + ": names no Main-Class; give a main class");
  return main;
}

// The launcher's AppUserModelID, in its string table too.
void set_app_id(app_launcher* l, const std::string& id) {
  std::vector<std::pair<uint16_t, std::u16string>>& table = l->branding.b.table_strings;
  table.erase(
      std::remove_if(table.begin(), table.end(),
                     [](const auto& s) { return s.first == launcher_strings::app_user_model_id; }),
      table.end());
  if (!id.empty()) table.emplace_back(launcher_strings::app_user_model_id, to_utf16(id));
  l->app_id = id;
}

// The launcher request's properties over the main launcher's values.
app_launcher added(const app_launcher& main, const launcher_request& r) {
  app_launcher l = main;
  l.name = r.name;
  l.service = false;
  set_app_id(&l, added_app_user_model_id(main.app_id, r.name));
  auto value = [&](const char* key) {
    auto found = r.properties.find(key);
    return found == r.properties.end() ? nullptr : &found->second;
  };
  auto words = [&](const char* key, std::vector<std::string>* out) {
    if (!value(key)) return;
    out->clear();
    if (!split_option_words(*value(key), out))
      throw refusal("--add-launcher " + r.name + ": " + key + " leaves a quote open");
  };
  if (value("main-jar")) {
    l.main_jar = fs::u8path(*value("main-jar")).lexically_normal().generic_u8string();
    l.main_class.clear();
  }
  if (value("main-class")) l.main_class = *value("main-class");
  words("arguments", &l.arguments);
  words("java-options", &l.java_options);
  if (value("win-console")) l.console = *value("win-console") == "true";
  l.menu = value("win-menu") ? *value("win-menu") == "true" : !l.console;
  if (value("win-shortcut")) l.desktop = *value("win-shortcut") == "true";
  if (value("icon")) l.branding.icon_file = *value("icon");
  if (value("description"))
    brand::add_branding_option(&l.branding, "--description", *value("description"));
  if (value("app-version"))
    brand::add_branding_option(&l.branding, "--app-version", *value("app-version"));
  return l;
}

}  // namespace

twin twin_of(const app_launcher& l) {
  return l.service ? twin::service : l.console ? twin::console : twin::windowed;
}

std::vector<app_launcher> app_launchers(const pack_options& o, const fs::path& input,
                                        const std::vector<std::string>& jars) {
  std::vector<app_launcher> launchers = {
      {o.name,
       o.win_console,
       fs::u8path(o.main_jar).lexically_normal().generic_u8string(),
       o.main_class,
       o.java_options,
       o.arguments,
       o.branding,
       true,
       o.installer.desktop_shortcut,
       {},
       ""}};
  const auto& table = o.branding.b.table_strings;
  auto given = std::find_if(table.begin(), table.end(), [](const auto& s) {
    return s.first == launcher_strings::app_user_model_id;
  });
  set_app_id(&launchers[0],
             given != table.end() ? to_utf8(given->second) : app_user_model_id(o.vendor, o.name));
  launchers[0].service = o.launcher_as_service;
  for (const launcher_request& r : o.launchers) launchers.push_back(added(launchers[0], r));
  // A service starts with the machine; no one starts it from a shortcut.
  if (o.launcher_as_service) launchers[0].menu = launchers[0].desktop = false;
  for (app_launcher& l : launchers) {
    if (std::find(jars.begin(), jars.end(), l.main_jar) == jars.end())
      throw refusal(l.name + ": its main jar " + l.main_jar + " is no jar of --input " + o.input);
    if (l.main_class.empty()) l.main_class = main_class_of(input / fs::u8path(l.main_jar));
    l.class_path = {l.main_jar};
    for (const std::string& jar : jars)
      if (jar != l.main_jar) l.class_path.push_back(jar);
    for (std::string& jar : l.class_path) {
      if (jar.find(';') != std::string::npos)
        throw refusal("jar " + jar + ": a ';' in its name cannot be on a class path");
      std::replace(jar.begin(), jar.end(), '/', '\\');
      jar = "app\\" + jar;
    }
  }
  return launchers;
}
