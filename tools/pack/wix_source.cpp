#include "wix_source.h"

#include <map>

#include "name_guid.h"
#include "refusal.h"

namespace {

// A text as an XML attribute value that wixl's preprocessor gives back unchanged: it drops
// one '$' of every run, and reads '$(' as a variable whatever precedes it.
std::string xml(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '$' && (i + 1 == text.size() || text[i + 1] != '$')) {
      if (i + 1 < text.size() && text[i + 1] == '(')
        throw refusal(text + ": wixl cannot hold '$(' in a name or text");
      out += '$';
    }
    out += c == '&'   ? "&amp;"
           : c == '<' ? "&lt;"
           : c == '>' ? "&gt;"
           : c == '"' ? "&quot;"
                      : std::string(1, c);
  }
  return out;
}

// A literal text in a column that Windows Installer formats, where [ ] { } are syntax.
std::string formatted(const std::string& text) {
  std::string out;
  for (char c : text)
    out += std::string("[]{}").find(c) == std::string::npos ? std::string(1, c)
                                                            : std::string("[\\") + c + "]";
  return out;
}

std::string attribute(const char* name, const std::string& value) {
  return std::string(" ") + name + "=\"" + value + "\"";
}

// <name attributes/>, or with content <name attributes>content</name>.
std::string element(const char* name, const std::string& attributes,
                    const std::string& content = "") {
  std::string start = std::string("<") + name + attributes;
  return content.empty() ? start + "/>\n" : start + ">\n" + content + "</" + name + ">\n";
}

const std::string flag = attribute("Type", "integer") + attribute("Value", "1");

struct folder {
  std::map<std::string, folder> folders;
  std::vector<std::string> files;
};

struct source {
  const msi_product& p;
  std::string root;  // the install folder from a standard folder: ProgramFiles64Folder\NAME
  std::string key;   // the key paths' Root and Key
  std::string refs;  // the feature's component references
  int ids = 0;

  std::string next(const char* kind) { return kind + std::to_string(++ids); }

  // A component of the folder at hand, installed at where: body, and a key path value
  // name = data.
  std::string component(const std::string& where, const std::string& name, const std::string& data,
                        const std::string& body) {
    std::string id = next("c");
    refs += element("ComponentRef", attribute("Id", id));
    return element("Component",
                   attribute("Id", id) + attribute("Guid", name_guid(p.upgrade_code, where)) +
                       (p.x64 ? attribute("Win64", "yes") : ""),
                   body + element("RegistryValue", key + attribute("Name", xml(formatted(name))) +
                                                       data + attribute("KeyPath", "yes")));
  }

  std::string remove_folder() {
    return element("RemoveFolder", attribute("Id", next("r")) + attribute("On", "uninstall"));
  }

  // The folder's own component, which removes it, then its files and subfolders. relative:
  // its path in the image with '/', ending in one unless it is the image itself, whose
  // component holds the version for a refused downgrade to name.
  std::string tree(const folder& f, const std::string& relative) {
    std::string windows = relative;
    for (char& c : windows) c = c == '/' ? '\\' : c;
    std::string out = relative.empty()
                          ? component(root + "\\", "Version",
                                      attribute("Type", "string") + attribute("Value", p.version),
                                      remove_folder())
                          : component(root + "\\" + windows, windows, flag, remove_folder());
    for (const std::string& name : f.files) {
      out +=
          component(root + "\\" + windows + name, windows + name, flag,
                    element("File", attribute("Id", next("f")) + attribute("Name", xml(name)) +
                                        attribute("Source", xml(p.image + "/" + relative + name))));
    }
    for (const auto& [name, sub] : f.folders) {
      out += element("Directory", attribute("Id", next("d")) + attribute("Name", xml(name)),
                     tree(sub, relative + name + "/"));
    }
    return out;
  }

  // A shortcut to NAME.exe that starts in the install folder, installed at where.
  std::string shortcut(const std::string& where, const std::string& name, const std::string& also) {
    return component(
        where, name, flag,
        element("Shortcut",
                attribute("Id", next("s")) + attribute("Name", xml(p.name)) +
                    attribute("Target", xml("[INSTALLDIR]" + formatted(p.name) + ".exe")) +
                    attribute("WorkingDirectory", "INSTALLDIR")) +
            also);
  }
};

}  // namespace

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
  std::string key = attribute("Root", p.per_machine ? "HKLM" : "HKCU") +
                    attribute("Key", xml(formatted("Software\\" + p.vendor + "\\" + p.name)));
  source s{p, (p.per_machine ? program_files : "LocalAppDataFolder\\Programs") + "\\" + p.name, key,
           "", 0};

  std::string install = element("Directory", " Id=\"INSTALLDIR\"" + attribute("Name", xml(p.name)),
                                s.tree(image, ""));
  install = p.per_machine
                ? element("Directory", attribute("Id", program_files), install)
                : element("Directory", " Id=\"LocalAppDataFolder\"",
                          element("Directory", " Id=\"programs\" Name=\"Programs\"", install));
  std::string group = p.menu_group.empty() ? "" : p.menu_group + "\\";
  std::string menu = s.shortcut("ProgramMenuFolder\\" + group + p.name + ".lnk",
                                "Start menu shortcut", group.empty() ? "" : s.remove_folder());
  if (!group.empty())
    menu = element("Directory", " Id=\"menu_group\"" + attribute("Name", xml(p.menu_group)), menu);
  std::string desktop =
      p.desktop_shortcut
          ? element("Directory", " Id=\"DesktopFolder\"",
                    s.shortcut("DesktopFolder\\" + p.name + ".lnk", "Desktop shortcut", ""))
          : "";
  std::string about;
  for (const char* link : {"ARPHELPLINK", "ARPURLINFOABOUT"}) {
    if (!p.about_url.empty())
      about += element("Property", attribute("Id", link) + attribute("Value", xml(p.about_url)));
  }
  std::string product =
      element("Package", " InstallerVersion=\"500\" Compressed=\"yes\"" +
                             attribute("InstallScope", p.per_machine ? "perMachine" : "perUser")) +
      element("MajorUpgrade",
              attribute("DowngradeErrorMessage",
                        "[ProductName] [INSTALLED_VERSION] is installed, which is newer than "
                        "this installer's version [ProductVersion]; uninstall it first to go "
                        "back to [ProductVersion].")) +
      element("Property", " Id=\"INSTALLED_VERSION\"",
              element("RegistrySearch", " Id=\"installed_version\"" + key +
                                            " Name=\"Version\" Type=\"raw\"" +
                                            (p.x64 ? attribute("Win64", "yes") : ""))) +
      element("Media", " Id=\"1\" Cabinet=\"app.cab\" EmbedCab=\"yes\"") +
      element("Icon",
              " Id=\"icon.exe\"" + attribute("SourceFile", xml(p.image + "/" + p.name + ".exe"))) +
      element("Property", " Id=\"ARPPRODUCTICON\" Value=\"icon.exe\"") + about +
      element("Directory", " Id=\"TARGETDIR\" Name=\"SourceDir\"",
              install + element("Directory", " Id=\"ProgramMenuFolder\"", menu) + desktop) +
      element("Feature", " Id=\"app\" Level=\"1\"", s.refs);
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n" +
         element("Wix", " xmlns=\"http://schemas.microsoft.com/wix/2006/wi\"",
                 element("Product",
                         attribute("Id", name_guid(p.upgrade_code, "ProductVersion " + p.version)) +
                             attribute("Name", xml(p.name)) + " Language=\"1033\"" +
                             attribute("Version", p.version) +
                             attribute("Manufacturer", xml(p.vendor)) +
                             attribute("UpgradeCode", p.upgrade_code),
                         product));
}
