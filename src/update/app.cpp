#include "update/app.h"

#include <windows.h>

#include <cstdio>

#include "update/http.h"
#include "update/win32.h"

namespace update {

bool find_app(app* a, const std::wstring& folder, std::string* problem) {
  wchar_t self[32768];
  DWORD n = GetModuleFileNameW(nullptr, self, 32768);
  if (n == 0 || n == 32768) {
    *problem = "cannot get the program's path";
    return false;
  }
  a->folder = folder.empty() ? parent_of(parent_of(parent_of(self))) : folder;
  a->state = a->folder + L"\\tavrin-update";
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((a->folder + L"\\*.tavrin").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring path = a->folder + L"\\" + found.cFileName;
      std::string text;
      if (read_file(path, &text, 1 << 20) && parse_settings(text, &a->s)) {
        a->parameters = path;
        break;
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  if (a->parameters.empty()) {
    *problem = "no parameter file with update settings in " + narrow(a->folder);
    return false;
  }
  return make_folders(a->state) || (*problem = "cannot make " + narrow(a->state), false);
}

void* take_lock(const app& a) {
  std::wstring path = a.state + L"\\lock";
  return CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                     FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

void log_line(const app& a, const std::string& text) {
  std::wstring log = a.state + L"\\update.log";
  WIN32_FILE_ATTRIBUTE_DATA data;
  // The log keeps its last megabyte or two: one older file.
  if (GetFileAttributesExW(log.c_str(), GetFileExInfoStandard, &data) &&
      data.nFileSizeLow > 1 << 20)
    replace_file(log, log + L".old");
  HANDLE f = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  SYSTEMTIME t;
  GetSystemTime(&t);
  char stamp[40];
  snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u UTC ", t.wYear, t.wMonth, t.wDay,
           t.wHour, t.wMinute, t.wSecond);
  std::string line = stamp + text + "\r\n";
  DWORD written = 0;
  WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(f);
}

std::string state_text(const app& a, const wchar_t* name) {
  std::string text;
  if (!read_file(a.state + L"\\" + name, &text, 1 << 16)) return "";
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::vector<std::string> bad_versions(const app& a) {
  std::vector<std::string> versions;
  std::string text = state_text(a, L"bad") + "\n";
  for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (is_version(line)) versions.push_back(line);
  }
  return versions;
}

std::vector<std::string> named_folders(const std::string& text) {
  std::vector<std::string> folders;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find_first_of(" \t\r\n\";", at);
    if (end == std::string::npos) end = text.size();
    std::string word = text.substr(at, end - at);
    size_t slash = word.find('\\');
    if (slash != std::string::npos && is_content_folder(word.substr(0, slash)))
      folders.push_back(word.substr(0, slash));
    at = end + 1;
  }
  return folders;
}

bool fetch_file(const app& a, const feed_file& file, const std::wstring& path, uint64_t* downloaded,
                std::string* problem) {
  if (has_content(path, file.size, file.sha256)) return true;
  // The same path in another folder of the same kind (runtime-*, app-*), or the same file.
  std::wstring relative = widen(file.path);
  for (wchar_t& c : relative) c = c == L'/' ? L'\\' : c;
  size_t slash = relative.find(L'\\');
  std::vector<std::wstring> candidates;
  if (slash == std::wstring::npos) {
    candidates.push_back(a.folder + L"\\" + relative);
  } else {
    std::wstring top = relative.substr(0, slash), kind = top.substr(0, top.rfind(L'-') + 1);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((a.folder + L"\\" + kind + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          candidates.push_back(a.folder + L"\\" + found.cFileName + relative.substr(slash));
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
  }
  make_folders(parent_of(path));
  for (const std::wstring& from : candidates)
    if (copy_verified(from, path, file.size, file.sha256)) return true;
  std::string url = a.s.feed.substr(0, a.s.feed.rfind('/') + 1) + "files/" + file.sha256;
  uint64_t received = 0;
  bool ok = fetch(url, path, file.size, file.sha256, nullptr, &received, problem);
  *downloaded += received;
  return ok;
}

}  // namespace update
