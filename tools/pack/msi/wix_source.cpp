#include "msi/wix_source.h"

#include <map>

#include "host/name_guid.h"
#include "host/refusal.h"
#include "host/windows_names.h"
#include "msi/msi_service.h"
#include "msi/msi_short_names.h"
#include "msi/wix_text.h"
#include "text.h"

namespace {

// The namespace of component GUIDs, a fixed random UUID.
const char component_codes[] = "{3F6A2D1E-9B47-4C85-A0D3-5E7C1B28F946}";

// The text as Windows compares paths, ignoring case.
std::string folded(const std::string& text) {
  return to_utf8(windows_folded(to_utf16(text)));
}

std::string backslashed(std::string path) {
  for (char& c : path) c = c == '/' ? '\\' : c;
  return path;
}

const std::string flag = attribute("Type", "integer") + attribute("Value", "1");

// The install folder from its standard folder: LocalAppDataFolder\Programs\..., or a Program
// Files folder.
std::string install_place(const msi_product& p) {
  std::string place = p.per_machine ? (p.x64 ? "ProgramFiles64Folder" : "ProgramFilesFolder")
                                    : "LocalAppDataFolder\\Programs";
  for (const std::string& part : p.install_dir) place += "\\" + part;
  return place;
}

struct folder {
  std::map<std::string, folder> folders;
  std::vector<std::string> files;
};

struct source {
  const msi_product& p;
  std::string install;  // the install folder from its standard folder: LocalAppDataFolder\...
  std::string refs;     // the feature's component references
  int ids = 0;

  std::string next(const char* kind) { return kind + std::to_string(++ids); }

  std::string root() const { return p.per_machine ? "HKLM" : "HKCU"; }

  // The key under which the components' key path values are.
  std::string key(const std::string& root) const {
    std::string folder;
    for (const std::string& part : p.install_dir) folder += "\\" + part;
    return attribute("Root", root) + attribute("Key", xml(formatted("Software" + folder)));
  }

  // A component for the resource at where (a location from a standard folder, a folder's
  // ending in '\'), with body. Its key path: the file that body holds (file_key), else a
  // value named value (a formatted text: the installed path) under key(value_root).
  std::string component(const std::string& where, const std::string& body, bool file_key,
                        const std::string& value = "", const std::string& value_root = "") {
    std::string id = next("c");
    refs += element("ComponentRef", attribute("Id", id));
    std::string guid = place_guid(p, where);
    std::string key_path =
        file_key ? ""
                 : element("RegistryValue", key(value_root.empty() ? root() : value_root) +
                                                attribute("Name", xml(value)) + flag +
                                                attribute("KeyPath", "yes"));
    return element(
        "Component",
        attribute("Id", id) + attribute("Guid", guid) + (p.x64 ? attribute("Win64", "yes") : ""),
        body + key_path);
  }

  std::string remove_folder() {
    return element("RemoveFolder", attribute("Id", next("r")) + attribute("On", "uninstall"));
  }

  // A folder in the user's profile at where, whose component removes it at uninstall when it
  // is empty (validation, ICE64, asks that of every folder in a profile).
  std::string profile_folder(const std::string& where, const std::string& directory) {
    return component(where, remove_folder(), false, "[" + directory + "]");
  }

  // A folder of the image and what it holds. relative: its path with '/', ending in one
  // unless it is the image itself; directory: the Id of its Directory element.
  std::string tree(const folder& f, const std::string& relative, const std::string& directory) {
    std::string windows = backslashed(relative), where = install + "\\" + windows;
    std::string out = p.per_machine ? "" : profile_folder(where, directory);
    short_names names;
    for (const std::string& name : f.files) {
      std::string file_id = next("f");
      out +=
          component(where + name,
                    element("File", attribute("Id", file_id) +
                                        attribute("Name", xml(msi_filename(name, &names))) +
                                        attribute("Source", xml(p.image + "/" + relative + name)) +
                                        (p.per_machine ? attribute("KeyPath", "yes") : "")) +
                        (!p.service.empty() && relative.empty() && name == p.service + ".exe"
                             ? service_elements(p.service, file_id)
                             : ""),
                    p.per_machine, "[#" + file_id + "]");
    }
    for (const auto& [name, sub] : f.folders) {
      std::string id = next("d");
      out += element("Directory",
                     attribute("Id", id) + attribute("Name", xml(msi_filename(name, &names))),
                     tree(sub, relative + name + "/", id));
    }
    return out;
  }

  // A shortcut to NAME.exe of the launcher named name, in the folder directory (at where,
  // whose short names are taken), starting in the install folder; with also in its
  // component. Per machine its key path is in HKMU, which validation (ICE43) asks of a
  // shortcut.
  std::string shortcut(const std::string& where, const std::string& directory, short_names* names,
                       const std::string& id, const std::string& name, const std::string& also) {
    return component(
        where + "\\" + name + ".lnk",
        element("Shortcut",
                attribute("Id", id) + attribute("Name", xml(msi_filename(name, names))) +
                    attribute("Target", xml("[INSTALLDIR]" + formatted(name) + ".exe")) +
                    attribute("WorkingDirectory", "INSTALLDIR")) +
            also,
        false, "[" + directory + "]" + formatted(name) + ".lnk", p.per_machine ? "HKMU" : "");
  }

  // The Start menu's shortcuts, in --win-menu-group's folder when there is one, which the
  // first removes when it is empty; then the desktop's.
  std::string shortcuts() {
    std::string group = p.menu_group.empty() ? "" : "\\" + p.menu_group;
    std::string menu, desktop, folder = group.empty() ? "ProgramMenuFolder" : "menu_group";
    short_names in_menu, on_desktop;
    for (size_t i = 0; i < p.shortcuts.size(); ++i) {
      const msi_shortcut& sc = p.shortcuts[i];
      if (sc.menu) {
        menu += shortcut("ProgramMenuFolder" + group, folder, &in_menu, shortcut_id(i, true),
                         sc.name, menu.empty() && !group.empty() ? remove_folder() : "");
      }
      if (sc.desktop) {
        desktop += shortcut("DesktopFolder", "DesktopFolder", &on_desktop, shortcut_id(i, false),
                            sc.name, "");
      }
    }
    if (!group.empty())
      menu = element("Directory", " Id=\"menu_group\"" + naming(p.menu_group), menu);
    return element("Directory", " Id=\"ProgramMenuFolder\"", menu) +
           (desktop.empty() ? "" : element("Directory", " Id=\"DesktopFolder\"", desktop));
  }

  // The install folder, below its standard folder: per user with a component for each
  // folder between, which removes it when it is empty.
  std::string install_folder(const std::string& content) {
    std::string out =
        element("Directory", " Id=\"INSTALLDIR\"" + naming(p.install_dir.back()), content);
    std::string where = install;
    for (size_t i = p.install_dir.size() - 1; i-- > 0;) {
      where = where.substr(0, where.rfind('\\'));
      std::string id = "install" + std::to_string(i);
      out = element("Directory", attribute("Id", id) + naming(p.install_dir[i]),
                    (p.per_machine ? "" : profile_folder(where + "\\", id)) + out);
    }
    return out;
  }

  static std::string naming(const std::string& name) {
    short_names names;
    return attribute("Name", xml(msi_filename(name, &names)));
  }
};

}  // namespace

std::string place_guid(const msi_product& p, const std::string& where) {
  return name_guid(component_codes, std::string(p.x64 ? "x64" : "x86") + "|" +
                                        folded(install_place(p)) + "|" + folded(where));
}

std::string shortcut_id(size_t launcher, bool menu) {
  return (menu ? "menu" : "desktop") + std::to_string(launcher + 1);
}

std::string wix_source(const msi_product& p) {
  folder image;
  for (const std::string& path : p.files) {
    folder* f = &image;
    size_t at = 0;
    for (size_t slash; (slash = path.find('/', at)) != std::string::npos; at = slash + 1)
      f = &f->folders[path.substr(at, slash - at)];
    f->files.push_back(path.substr(at));
  }
  std::string program_files = p.x64 ? "ProgramFiles64Folder" : "ProgramFilesFolder";
  source s{p, install_place(p), "", 0};

  // The product's own component: its version, which a later installer's RegistrySearch
  // reads to name it in the downgrade message.
  std::string product_key =
      attribute("Root", s.root()) +
      attribute("Key", xml(formatted("Software\\" + p.vendor + "\\" + p.name)));
  s.refs += element("ComponentRef", " Id=\"product\"");
  std::string product = element(
      "Component",
      " Id=\"product\"" +
          attribute("Guid",
                    name_guid(p.upgrade_code, std::string("product|") + (p.x64 ? "x64|" : "x86|") +
                                                  (p.per_machine ? "machine" : "user"))) +
          (p.x64 ? attribute("Win64", "yes") : ""),
      element("RegistryValue", product_key + " Name=\"Version\"" + attribute("Type", "string") +
                                   attribute("Value", p.version) + attribute("KeyPath", "yes")));

  std::string install = s.install_folder(product + s.tree(image, "", "INSTALLDIR"));
  install = p.per_machine
                ? element("Directory", attribute("Id", program_files), install)
                : element("Directory", " Id=\"LocalAppDataFolder\"",
                          element("Directory", " Id=\"programs\" Name=\"Programs\"",
                                  s.profile_folder("LocalAppDataFolder\\Programs\\", "programs") +
                                      install));
  // Before the feature, which refers to every component made.
  std::string shortcuts = s.shortcuts();
  std::string about;
  for (const char* link : {"ARPHELPLINK", "ARPURLINFOABOUT"}) {
    if (!p.about_url.empty())
      about += element("Property", attribute("Id", link) + attribute("Value", xml(p.about_url)));
  }
  std::string body =
      element("Package", " InstallerVersion=\"500\" Compressed=\"yes\"" +
                             attribute("InstallScope", p.per_machine ? "perMachine" : "perUser")) +
      element("MajorUpgrade",
              attribute("DowngradeErrorMessage",
                        "[ProductName] [INSTALLED_VERSION] is installed, which is newer than "
                        "this installer's version [ProductVersion]; uninstall it first to go "
                        "back to [ProductVersion].")) +
      element("Property", " Id=\"INSTALLED_VERSION\"",
              element("RegistrySearch", " Id=\"installed_version\"" + product_key +
                                            " Name=\"Version\" Type=\"raw\"" +
                                            (p.x64 ? attribute("Win64", "yes") : ""))) +
      element("Media", " Id=\"1\" Cabinet=\"app.cab\" EmbedCab=\"yes\"") +
      element("Icon",
              " Id=\"icon.exe\"" + attribute("SourceFile", xml(p.image + "/" + p.name + ".exe"))) +
      element("Property", " Id=\"ARPPRODUCTICON\" Value=\"icon.exe\"") + about +
      element("Directory", " Id=\"TARGETDIR\" Name=\"SourceDir\"", install + shortcuts) +
      element("Feature", " Id=\"app\" Level=\"1\"", s.refs);
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" +
         element("Wix", " xmlns=\"http://schemas.microsoft.com/wix/2006/wi\"",
                 element("Product",
                         attribute("Id", p.product_code) + attribute("Name", xml(p.name)) +
                             " Language=\"1033\"" + attribute("Version", p.version) +
                             attribute("Manufacturer", xml(p.vendor)) +
                             attribute("UpgradeCode", p.upgrade_code),
                         body));
}
