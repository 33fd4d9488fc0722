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

struct folder {
  std::map<std::string, folder> folders;
  std::vector<std::string> files;
};

struct source {
  const msi_product& p;
  std::string root;   // the install folder, named from a standard folder: ProgramFiles64Folder\NAME
  std::string value;  // the key path's attributes before its name: root and key
  std::string refs;   // the feature's component references
  int ids = 0;

  // A component of the current folder holding body, installed at where, with the key path
  // value name = data.
  std::string component(const std::string& where, const std::string& name, const std::string& data,
                        const std::string& body) {
    std::string id = "c" + std::to_string(ids);
    refs += "<ComponentRef" + attribute("Id", id) + "/>\n";
    return "<Component" + attribute("Id", id) +
           attribute("Guid", name_guid(p.upgrade_code, where)) +
           (p.x64 ? attribute("Win64", "yes") : "") + ">" + body + value +
           attribute("Name", xml(formatted(name))) + data + " KeyPath=\"yes\"/></Component>\n";
  }

  std::string remove_folder() {
    return "<RemoveFolder" + attribute("Id", "r" + std::to_string(ids)) + " On=\"uninstall\"/>";
  }

  // The folder's own component, removing it at uninstall, then its files and subfolders.
  // relative: the folder's path in the image, ending in '\' unless it is the image.
  std::string tree(const folder& f, const std::string& relative) {
    std::string xml_out =
        relative.empty() ? component(root + "\\", "Version",
                                     attribute("Type", "string") + attribute("Value", p.version),
                                     remove_folder())
                         : component(root + "\\" + relative, relative,
                                     " Type=\"integer\" Value=\"1\"", remove_folder());
    ++ids;
    for (const std::string& name : f.files) {
      std::string path = relative + name, source_path = p.image + "/" + path;
      for (char& c : source_path) c = c == '\\' ? '/' : c;
      xml_out += component(root + "\\" + path, path, " Type=\"integer\" Value=\"1\"",
                           "<File" + attribute("Id", "f" + std::to_string(ids)) +
                               attribute("Name", xml(name)) +
                               attribute("Source", xml(source_path)) + "/>");
      ++ids;
    }
    for (const auto& [name, sub] : f.folders) {
      std::string id = "d" + std::to_string(ids);
      xml_out += "<Directory" + attribute("Id", id) + attribute("Name", xml(name)) + ">\n" +
                 tree(sub, relative + name + "\\") + "</Directory>\n";
    }
    return xml_out;
  }

  // A shortcut to NAME.exe that starts in the install folder, installed at where.
  std::string shortcut(const std::string& where, const std::string& name, bool remove) {
    std::string body =
        "<Shortcut" + attribute("Id", "s" + std::to_string(ids)) + attribute("Name", xml(p.name)) +
        attribute("Target", xml("[INSTALLDIR]" + formatted(p.name) + ".exe")) +
        attribute("WorkingDirectory", "INSTALLDIR") + "/>" + (remove ? remove_folder() : "");
    std::string out = component(where, name, " Type=\"integer\" Value=\"1\"", body);
    ++ids;
    return out;
  }
};

}  // namespace

std::string product_code(const msi_product& p) {
  return name_guid(p.upgrade_code, "ProductVersion " + p.version);
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
  const char* program_files = p.x64 ? "ProgramFiles64Folder" : "ProgramFilesFolder";
  std::string key = xml(formatted("Software\\" + p.vendor + "\\" + p.name));
  std::string hive = p.per_machine ? "HKLM" : "HKCU", win64 = p.x64 ? " Win64=\"yes\"" : "";
  source s{
      p,
      std::string(p.per_machine ? program_files : "LocalAppDataFolder\\Programs") + "\\" + p.name,
      "<RegistryValue" + attribute("Root", hive) + attribute("Key", key), "", 0};

  std::string install = s.tree(image, "");
  std::string group = p.menu_group.empty() ? "" : p.menu_group + "\\";
  std::string menu = s.shortcut("ProgramMenuFolder\\" + group + p.name + ".lnk",
                                "Start menu shortcut", !group.empty());
  if (!group.empty())
    menu = "<Directory Id=\"menu_group\"" + attribute("Name", xml(p.menu_group)) + ">\n" + menu +
           "</Directory>\n";
  std::string desktop = p.desktop_shortcut ? "<Directory Id=\"DesktopFolder\">\n" +
                                                 s.shortcut("DesktopFolder\\" + p.name + ".lnk",
                                                            "Desktop shortcut", false) +
                                                 "</Directory>\n"
                                           : "";
  std::string about = p.about_url.empty()
                          ? ""
                          : "<Property Id=\"ARPHELPLINK\"" + attribute("Value", xml(p.about_url)) +
                                "/>\n<Property Id=\"ARPURLINFOABOUT\"" +
                                attribute("Value", xml(p.about_url)) + "/>\n";
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
         "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">\n"
         "<Product" +
         attribute("Id", product_code(p)) + attribute("Name", xml(p.name)) + " Language=\"1033\"" +
         attribute("Version", p.version) + attribute("Manufacturer", xml(p.vendor)) +
         attribute("UpgradeCode", p.upgrade_code) +
         ">\n"
         "<Package InstallerVersion=\"500\" Compressed=\"yes\"" +
         attribute("InstallScope", p.per_machine ? "perMachine" : "perUser") +
         "/>\n"
         // The installed version is read back so that a refused downgrade can name it.
         "<MajorUpgrade DowngradeErrorMessage=\"[ProductName] [INSTALLED_VERSION] is installed, "
         "which is newer than this installer's version [ProductVersion]; uninstall it first "
         "to go back to [ProductVersion].\"/>\n"
         "<Property Id=\"INSTALLED_VERSION\"><RegistrySearch Id=\"installed_version\"" +
         attribute("Root", hive) + attribute("Key", key) + " Name=\"Version\" Type=\"raw\"" +
         win64 +
         "/></Property>\n"
         "<Media Id=\"1\" Cabinet=\"app.cab\" EmbedCab=\"yes\"/>\n"
         "<Icon Id=\"icon.exe\"" +
         attribute("SourceFile", xml(p.image + "/" + p.name + ".exe")) +
         "/>\n"
         "<Property Id=\"ARPPRODUCTICON\" Value=\"icon.exe\"/>\n" +
         about + "<Directory Id=\"TARGETDIR\" Name=\"SourceDir\">\n" +
         (p.per_machine ? "<Directory Id=\"" + std::string(program_files) + "\">\n"
                        : "<Directory Id=\"LocalAppDataFolder\">\n"
                          "<Directory Id=\"programs\" Name=\"Programs\">\n") +
         "<Directory Id=\"INSTALLDIR\"" + attribute("Name", xml(p.name)) + ">\n" + install +
         (p.per_machine ? "</Directory>\n</Directory>\n"
                        : "</Directory>\n</Directory>\n</Directory>\n") +
         "<Directory Id=\"ProgramMenuFolder\">\n" + menu + "</Directory>\n" + desktop +
         "</Directory>\n<Feature Id=\"app\" Level=\"1\">\n" + s.refs +
         "</Feature>\n</Product>\n</Wix>\n";
}
