#include "update/win32.h"

#include <bcrypt.h>

#include "update/feed.h"

namespace update {

std::wstring widen(const std::string& utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

std::string narrow(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr,
                      nullptr);
  return out;
}

bool sha256::start() {
  return BCryptOpenAlgorithmProvider(reinterpret_cast<BCRYPT_ALG_HANDLE*>(&algorithm),
                                     BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0 &&
         BCryptCreateHash(algorithm, reinterpret_cast<BCRYPT_HASH_HANDLE*>(&hash), nullptr, 0,
                          nullptr, 0, 0) == 0;
}

void sha256::add(const void* bytes, size_t size) {
  if (hash)
    BCryptHashData(hash, static_cast<PUCHAR>(const_cast<void*>(bytes)), static_cast<ULONG>(size),
                   0);
}

std::string sha256::finish() {
  std::string digest(32, '\0');
  if (!hash || BCryptFinishHash(hash, reinterpret_cast<PUCHAR>(&digest[0]), 32, 0) != 0) return "";
  return hex(digest);
}

sha256::~sha256() {
  if (hash) BCryptDestroyHash(hash);
  if (algorithm) BCryptCloseAlgorithmProvider(algorithm, 0);
}

bool verify_signature(const std::string& point, const std::string& message,
                      const std::string& signature) {
  if (point.size() != 64 || signature.size() != 64) return false;
  unsigned char digest[32];
  BCRYPT_ALG_HANDLE sha = nullptr, ecdsa = nullptr;
  BCRYPT_KEY_HANDLE key = nullptr;
  std::string blob(sizeof(BCRYPT_ECCKEY_BLOB), '\0');
  BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
  memcpy(&blob[0], &header, sizeof header);
  blob += point;
  bool ok = BCryptOpenAlgorithmProvider(&sha, BCRYPT_SHA256_ALGORITHM, nullptr, 0) == 0 &&
            BCryptHash(sha, nullptr, 0, reinterpret_cast<PUCHAR>(const_cast<char*>(message.data())),
                       static_cast<ULONG>(message.size()), digest, sizeof digest) == 0 &&
            BCryptOpenAlgorithmProvider(&ecdsa, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) == 0 &&
            BCryptImportKeyPair(ecdsa, nullptr, BCRYPT_ECCPUBLIC_BLOB, &key,
                                reinterpret_cast<PUCHAR>(&blob[0]), static_cast<ULONG>(blob.size()),
                                0) == 0 &&
            BCryptVerifySignature(key, nullptr, digest, sizeof digest,
                                  reinterpret_cast<PUCHAR>(const_cast<char*>(signature.data())), 64,
                                  0) == 0;
  if (key) BCryptDestroyKey(key);
  if (ecdsa) BCryptCloseAlgorithmProvider(ecdsa, 0);
  if (sha) BCryptCloseAlgorithmProvider(sha, 0);
  return ok;
}

bool exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool is_folder(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool read_file(const std::wstring& path, std::string* bytes, uint64_t limit) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(f, &size) && static_cast<uint64_t>(size.QuadPart) <= limit;
  std::string out(ok ? static_cast<size_t>(size.QuadPart) : 0, '\0');
  DWORD got = 0;
  ok = ok && (out.empty() || (ReadFile(f, &out[0], static_cast<DWORD>(out.size()), &got, nullptr) &&
                              got == out.size()));
  CloseHandle(f);
  if (ok) *bytes = out;
  return ok;
}

bool write_file(const std::wstring& path, const std::string& bytes) {
  std::wstring part = path + L".part";
  HANDLE f = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size() && FlushFileBuffers(f);
  CloseHandle(f);
  return ok && replace_file(part, path);
}

bool replace_file(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

namespace {

// Reads the file a piece at a time into the hash and, when out is open, into out.
bool stream(const std::wstring& path, uint64_t size, const std::string& sha, HANDLE out) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  sha256 hash;
  bool ok = hash.start();
  uint64_t total = 0;
  static char buffer[1 << 16];
  DWORD got = 0, written = 0;
  while (ok && ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got) {
    total += got;
    hash.add(buffer, got);
    ok = total <= size && (out == INVALID_HANDLE_VALUE ||
                           (WriteFile(out, buffer, got, &written, nullptr) && written == got));
  }
  CloseHandle(f);
  return ok && total == size && hash.finish() == sha;
}

}  // namespace

bool has_content(const std::wstring& path, uint64_t size, const std::string& sha) {
  return stream(path, size, sha, INVALID_HANDLE_VALUE);
}

bool copy_verified(const std::wstring& from, const std::wstring& to, uint64_t size,
                   const std::string& sha) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(from.c_str(), GetFileExInfoStandard, &data) ||
      ((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) != size)
    return false;  // read only a file that may be the one sought
  HANDLE out = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  bool ok = stream(from, size, sha, out) && FlushFileBuffers(out);
  CloseHandle(out);
  if (!ok) DeleteFileW(to.c_str());
  return ok;
}

bool make_folders(const std::wstring& path) {
  if (is_folder(path)) return true;
  std::wstring parent = parent_of(path);
  if (parent.size() < path.size() && !parent.empty() && !make_folders(parent)) return false;
  return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool remove_tree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  bool ok = true;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName, full = path + L"\\" + name;
      if (name == L"." || name == L"..") continue;
      bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (folder) {
        ok = remove_tree(full) && ok;
      } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        ok = RemoveDirectoryW(full.c_str()) && ok;
      } else {
        ok = DeleteFileW(full.c_str()) && ok;
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return RemoveDirectoryW(path.c_str()) && ok;
}

std::wstring parent_of(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"" : path.substr(0, slash);
}

}  // namespace update
