// Reads an executable's resources the way Windows itself does and reports them as JSON,
// so that tests check the resources with the system's own readers, not with ours.
//
// Usage: resource_probe.exe EXE REPORT
// The report holds:
//   translations  every language/code page pair of \VarFileInfo\Translation, as "040904b0"
//   strings       for each of those pairs, every standard version string VerQueryValueW finds
//   fixed         the fixed part: file and product version as "a.b.c.d", and whether its
//                 signature is right
//   manifest      the RT_MANIFEST resource id 1 that FindResourceW finds, as text, or null
//   icon_group    the first icon group's name ("#n" for an id) and its languages
//   icons         for 16, 32, 48 and 256 pixels: the image id LookupIconIdFromDirectoryEx
//                 picks from that group, and the width and height of the icon
//                 CreateIconFromResourceEx makes of it (0 when it fails)
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "json_out.h"

namespace {

const wchar_t* const string_names[] = {L"Comments",        L"CompanyName",      L"FileDescription",
                                       L"FileVersion",     L"InternalName",     L"LegalCopyright",
                                       L"LegalTrademarks", L"OriginalFilename", L"PrivateBuild",
                                       L"ProductName",     L"ProductVersion",   L"SpecialBuild"};

std::wstring hex4(unsigned v) {
  wchar_t buf[8];
  swprintf(buf, 8, L"%04x", v & 0xFFFF);
  return buf;
}

std::string dotted(DWORD high, DWORD low) {
  char buf[64];
  snprintf(buf, sizeof buf, "\"%lu.%lu.%lu.%lu\"", high >> 16, high & 0xFFFF, low >> 16,
           low & 0xFFFF);
  return buf;
}

void version_info(std::string& out, const wchar_t* exe) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(exe, &ignored);
  std::vector<char> block(size ? size : 1);
  if (!size || !GetFileVersionInfoW(exe, 0, size, block.data())) {
    out += "\"translations\": [], \"strings\": {}, \"fixed\": null";
    return;
  }
  std::vector<std::wstring> pairs;
  void* data = nullptr;
  UINT length = 0;
  if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &data, &length)) {
    const WORD* words = static_cast<const WORD*>(data);
    for (UINT i = 0; i + 1 < length / sizeof(WORD); i += 2) {
      pairs.push_back(hex4(words[i]) + hex4(words[i + 1]));
    }
  }
  out += "\"translations\": ";
  e2e::json_string_list(out, pairs);
  out += ", \"strings\": {";
  for (size_t p = 0; p < pairs.size(); ++p) {
    if (p) out += ", ";
    e2e::json_string(out, pairs[p]);
    out += ": {";
    bool first = true;
    for (const wchar_t* name : string_names) {
      std::wstring query = L"\\StringFileInfo\\" + pairs[p] + L"\\" + name;
      wchar_t* text = nullptr;
      if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) ||
          !length) {
        continue;
      }
      if (!first) out += ", ";
      first = false;
      e2e::json_string(out, name);
      out += ": ";
      // length counts the terminator when there is one.
      e2e::json_string(out, text, text[length - 1] ? length : length - 1);
    }
    out += "}";
  }
  out += "}, \"fixed\": ";
  VS_FIXEDFILEINFO* fixed = nullptr;
  if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
    out += "{\"file\": " + dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS) +
           ", \"product\": " + dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS) +
           ", \"signature_ok\": " + (fixed->dwSignature == 0xFEEF04BD ? "true" : "false") + "}";
  } else {
    out += "null";
  }
}

void manifest(std::string& out, HMODULE module) {
  out += "\"manifest\": ";
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  if (!loaded) {
    out += "null";
    return;
  }
  const char* bytes = static_cast<const char*>(LockResource(loaded));
  int size = static_cast<int>(SizeofResource(module, found));
  std::wstring text(MultiByteToWideChar(CP_UTF8, 0, bytes, size, nullptr, 0), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes, size, text.data(), static_cast<int>(text.size()));
  e2e::json_string(out, text);
}

BOOL CALLBACK first_name(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
  std::wstring& out = *reinterpret_cast<std::wstring*>(found);
  out = IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : name;
  return FALSE;
}

BOOL CALLBACK each_language(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
  reinterpret_cast<std::vector<std::wstring>*>(found)->push_back(hex4(language));
  return TRUE;
}

void icons(std::string& out, HMODULE module) {
  std::wstring group;
  EnumResourceNamesW(module, RT_GROUP_ICON, first_name, reinterpret_cast<LONG_PTR>(&group));
  out += "\"icon_group\": ";
  if (group.empty()) {
    out += "null, \"icons\": {}";
    return;
  }
  const wchar_t* name =
      group[0] == L'#' ? MAKEINTRESOURCEW(_wtoi(group.c_str() + 1)) : group.c_str();
  std::vector<std::wstring> languages;
  EnumResourceLanguagesW(module, RT_GROUP_ICON, name, each_language,
                         reinterpret_cast<LONG_PTR>(&languages));
  out += "{\"name\": ";
  e2e::json_string(out, group);
  out += ", \"languages\": ";
  e2e::json_string_list(out, languages);
  out += "}, \"icons\": {";
  HRSRC found = FindResourceW(module, name, RT_GROUP_ICON);
  BYTE* directory = static_cast<BYTE*>(LockResource(LoadResource(module, found)));
  const int sizes[] = {16, 32, 48, 256};
  for (int i = 0; i < 4; ++i) {
    int px = sizes[i];
    int id = LookupIconIdFromDirectoryEx(directory, TRUE, px, px, LR_DEFAULTCOLOR);
    int width = 0, height = 0;
    HRSRC image = id ? FindResourceW(module, MAKEINTRESOURCEW(id), RT_ICON) : nullptr;
    if (image) {
      BYTE* bits = static_cast<BYTE*>(LockResource(LoadResource(module, image)));
      HICON icon = CreateIconFromResourceEx(bits, SizeofResource(module, image), TRUE, 0x00030000,
                                            px, px, LR_DEFAULTCOLOR);
      ICONINFO info{};
      if (icon && GetIconInfo(icon, &info)) {
        BITMAP bitmap{};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        width = bitmap.bmWidth;
        height = info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2;
        if (info.hbmColor) DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
      }
      if (icon) DestroyIcon(icon);
    }
    char entry[96];
    snprintf(entry, sizeof entry, "%s\"%d\": {\"id\": %d, \"width\": %d, \"height\": %d}",
             i ? ", " : "", px, id, width, height);
    out += entry;
  }
  out += "}";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    fwprintf(stderr, L"usage: resource_probe.exe EXE REPORT\n");
    return 2;
  }
  std::string out = "{";
  version_info(out, argv[1]);
  out += ", ";
  HMODULE module =
      LoadLibraryExW(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (module) {
    manifest(out, module);
    out += ", ";
    icons(out, module);
    FreeLibrary(module);
  } else {
    out += "\"manifest\": null, \"icon_group\": null, \"icons\": {}";
  }
  out += "}\n";
  return e2e::write_file(argv[2], out, false) ? 0 : 1;
}
