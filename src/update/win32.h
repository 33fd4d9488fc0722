// The update program's small layer over Win32: UTF-8 and UTF-16, files written whole and
// flushed, atomic replacement, folder trees, SHA-256 and ECDSA P-256 by BCrypt.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace update {

std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& text);

// SHA-256 as BCrypt computes it, fed a piece at a time.
struct sha256 {
  void* algorithm = nullptr;
  void* hash = nullptr;
  bool start();
  void add(const void* bytes, size_t size);
  std::string finish();  // 64 lower-case hex digits; empty when BCrypt failed
  ~sha256();
};

// Whether signature (r then s, 32 bytes each) is the ECDSA P-256 signature of SHA-256 of
// message by the key whose public point (X then Y) is given.
bool verify_signature(const std::string& point, const std::string& message,
                      const std::string& signature);

bool exists(const std::wstring& path);
bool is_folder(const std::wstring& path);

// The whole file, when it has at most limit bytes.
bool read_file(const std::wstring& path, std::string* bytes, uint64_t limit);

// Writes a new file, or replaces one, with bytes, flushed to the disk before it returns.
bool write_file(const std::wstring& path, const std::string& bytes);

// The one atomic step of a switch: from replaces to, written through to the disk.
bool replace_file(const std::wstring& from, const std::wstring& to);

// Copies from to to (made anew, flushed) when from has size bytes and the SHA-256 given.
bool copy_verified(const std::wstring& from, const std::wstring& to, uint64_t size,
                   const std::string& sha);

// Whether the file has size bytes and the SHA-256 given.
bool has_content(const std::wstring& path, uint64_t size, const std::string& sha);

// Makes the folder and those above it.
bool make_folders(const std::wstring& path);

// Removes a folder and all it holds, links as links; false when anything stays (in use).
bool remove_tree(const std::wstring& path);

// The folder above path (no trailing backslash).
std::wstring parent_of(const std::wstring& path);

}  // namespace update
