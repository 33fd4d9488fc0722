#include "msi/desktop_registration.h"

#include "host/name_guid.h"
#include "msi/prog_id.h"
#include "msi/wix_text.h"

namespace {

const msi_table component{
    "Component",
    {"Component", "ComponentId", "Directory_", "Attributes", "Condition", "KeyPath"},
    nullptr};
const msi_table registry{
    "Registry", {"Registry", "Root", "Key", "Name", "Value", "Component_"}, nullptr};
const msi_table feature_components{"FeatureComponents", {"Feature_", "Component_"}, nullptr};
const msi_table app_search{"AppSearch", {"Property", "Signature_"}, nullptr};
const msi_table reg_locator{"RegLocator", {"Signature_", "Root", "Key", "Name", "Type"}, nullptr};
const msi_table extension_table{
    "Extension",
    {"Extension", "Component_", "ProgId_", "MIME_", "Feature_"},
    "`Extension` CHAR(255) NOT NULL, `Component_` CHAR(72) NOT NULL, `ProgId_` CHAR(255), "
    "`MIME_` CHAR(64), `Feature_` CHAR(38) NOT NULL PRIMARY KEY `Extension`, `Component_`"};
const msi_table prog_id_table{
    "ProgId",
    {"ProgId", "ProgId_Parent", "Class_", "Description", "Icon_", "IconIndex"},
    "`ProgId` CHAR(255) NOT NULL, `ProgId_Parent` CHAR(255), `Class_` CHAR(38), `Description` "
    "CHAR(255) LOCALIZABLE, `Icon_` CHAR(72), `IconIndex` SHORT PRIMARY KEY `ProgId`"};
const msi_table shortcut_property{
    "MsiShortcutProperty",
    {"MsiShortcutProperty", "Shortcut_", "PropertyKey", "PropVariantValue"},
    "`MsiShortcutProperty` CHAR(72) NOT NULL, `Shortcut_` CHAR(72) NOT NULL, `PropertyKey` "
    "LONGCHAR NOT NULL, `PropVariantValue` LONGCHAR NOT NULL PRIMARY KEY `MsiShortcutProperty`"};

// Windows Installer's roots: HKCU, HKLM, and HKCU per user, HKLM per machine.
const int user_root = 1, machine_root = 2, install_root = -1;
// Components whose key path is a registry value, on the 64-bit side for x64.
const int registry_key_path = 4, win64 = 256;
// RegLocator: the value as it is, from the 64-bit view for x64.
const int raw_value = 2, view64 = 16;

const msi_value null;

msi_value nullable(const std::string& text) {
  return text.empty() ? null : msi_value(text);
}

// Registration rows of one package.
struct rows {
  const msi_product& p;
  std::vector<msi_row> out;
  std::string product_key;  // Software\VENDOR\NAME, the product's own key
  int claims = 0;

  void add(const msi_table& table, std::vector<msi_value> values) {
    out.push_back({&table, std::move(values)});
  }

  // A registry value of component, id after it; an empty name is the key's default value,
  // an empty value an empty string.
  void value(const std::string& component, const std::string& id, const std::string& key,
             const std::string& name, const std::string& data) {
    add(registry, {component + id, install_root, formatted(key), nullable(formatted(name)),
                   nullable(data), component});
  }

  // A component whose key path is its value of id "", with condition (empty: none).
  void add_component(const std::string& id, const std::string& guid, const std::string& condition) {
    add(component, {id, guid, std::string("INSTALLDIR"), registry_key_path | (p.x64 ? win64 : 0),
                    nullable(condition), id});
    add(feature_components, {std::string("app"), id});
  }

  void search(const std::string& property, int root, const std::string& key,
              const std::string& name) {
    std::string signature = "search_" + property;
    add(app_search, {property, signature});
    add(reg_locator, {signature, root, formatted(key), nullable(formatted(name)),
                      raw_value | (p.x64 ? view64 : 0)});
  }

  // A claim on the value name (empty: the default) of key below HKCU or HKLM, whose
  // component, returned, holds the values that body adds. It is installed when no value is
  // there, per user neither in HKCU nor in HKLM, or when the app's mark of the claim is.
  template <class values>
  std::string claim(const std::string& key, const std::string& name, values body) {
    std::string id = "claim" + std::to_string(++claims);
    std::string taken = "TAKEN" + std::to_string(claims), ours = "OURS" + std::to_string(claims);
    search(taken, p.per_machine ? machine_root : user_root, key, name);
    if (!p.per_machine) search(taken + "_MACHINE", machine_root, key, name);
    search(ours, p.per_machine ? machine_root : user_root, product_key, key);
    std::string free =
        p.per_machine ? "NOT " + taken : "(NOT " + taken + " AND NOT " + taken + "_MACHINE)";
    add_component(id,
                  name_guid(p.upgrade_code, std::string(p.x64 ? "x64|" : "x86|") +
                                                (p.per_machine ? "machine|" : "user|") + p.vendor +
                                                "\\" + p.name + "|" + key),
                  free + " OR " + ours);
    value(id, "", product_key, key, "#1");
    body(id);
    return id;
  }
};

}  // namespace

std::vector<msi_row> desktop_rows(const msi_product& p) {
  rows r{p, {}, "Software\\" + p.vendor + "\\" + p.name, 0};
  const std::string classes = "Software\\Classes\\", exe = p.shortcuts[0].name + ".exe";
  const std::string path = "[INSTALLDIR]" + formatted(exe), open = "\"" + path + "\" \"%1\"";
  for (size_t i = 0; i < p.associations.size(); ++i) {
    const file_association& a = p.associations[i];
    std::string progid = prog_id(p.name, a.extension), extension = "." + a.extension;
    std::string description =
        a.description.empty() ? p.name + " " + extension + " file" : a.description;
    std::string type = "type" + std::to_string(i + 1), key = classes + progid;
    r.add_component(type, place_guid(p, key), "");
    r.value(type, "", key, "", formatted(description));
    r.value(type, "_name", key, "FriendlyTypeName", formatted(description));
    r.value(type, "_icon", key + "\\DefaultIcon", "",
            a.icon.empty() ? path + ",0" : "[INSTALLDIR]" + formatted(a.icon));
    r.value(type, "_open", key + "\\shell\\open\\command", "", open);
    r.value(type, "_with", classes + extension + "\\OpenWithProgids", progid, "");
    std::string owner = r.claim(classes + extension, "", [&](const std::string& id) {
      r.value(id, "_type", classes + extension, "", formatted(progid));
      if (!a.mime_type.empty())
        r.value(id, "_mime", classes + extension, "Content Type", formatted(a.mime_type));
    });
    r.add(extension_table, {a.extension, owner, progid, null, std::string("app")});
    r.add(prog_id_table, {progid, null, null, description, null, null});
    if (a.mime_type.empty()) continue;
    r.claim(classes + "MIME\\Database\\Content Type\\" + a.mime_type, "Extension",
            [&](const std::string& id) {
              r.value(id, "_extension", classes + "MIME\\Database\\Content Type\\" + a.mime_type,
                      "Extension", formatted(extension));
            });
  }
  r.claim("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + exe, "",
          [&](const std::string& id) {
            std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + exe;
            r.value(id, "_exe", key, "", path);
            r.value(id, "_path", key, "Path", "[INSTALLDIR]");
          });
  if (!p.associations.empty()) {
    std::string key = classes + "Applications\\" + exe;
    r.claim(key + "\\shell\\open\\command", "", [&](const std::string& id) {
      r.value(id, "_name", key, "FriendlyAppName", formatted(p.name));
      r.value(id, "_open", key + "\\shell\\open\\command", "", open);
      for (size_t i = 0; i < p.associations.size(); ++i) {
        r.value(id, "_type" + std::to_string(i + 1), key + "\\SupportedTypes",
                "." + p.associations[i].extension, "");
      }
    });
    // Windows Installer's own registration of the claimed extensions, which tells the shell.
    for (auto [action, number] : {std::pair<const char*, int>{"UnregisterExtensionInfo", 2800},
                                  {"UnregisterProgIdInfo", 2900},
                                  {"RegisterExtensionInfo", 4700},
                                  {"RegisterProgIdInfo", 4800}})
      r.add(install_execute_sequence, {std::string(action), null, number});
  }
  for (size_t i = 0; i < p.shortcuts.size(); ++i) {
    const msi_shortcut& s = p.shortcuts[i];
    for (bool menu : {true, false}) {
      if (s.app_id.empty() || !(menu ? s.menu : s.desktop)) continue;
      r.add(shortcut_property, {"app_id_" + shortcut_id(i, menu), shortcut_id(i, menu),
                                std::string("System.AppUserModel.ID"), formatted(s.app_id)});
    }
  }
  return r.out;
}
