// The update feed: what a release holds, one line a fact, signed with the release key. pack
// writes it; the update program reads it from the network and trusts nothing in it before
// the signature, and no path in it before the path's check.
//
//   tavrin-update-feed 1
//   name NAME
//   version 1.1
//   kind zip x64                   (zip or msi; x64 or x86)
//   updater 1                      (the oldest update program that can apply it)
//   file SIZE SHA256 PATH          (PATH last, '/' between its parts; one line a file)
//   signature R-THEN-S             (128 hex digits: ECDSA P-256 over SHA-256 of every byte
//                                   before this line)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace update {

// The update program's own version of the format; a feed asking for more is not applied.
constexpr unsigned updater_version = 1;

struct feed_file {
  uint64_t size;
  std::string sha256;  // 64 lower-case hex digits
  std::string path;    // relative, '/' between parts
};

struct feed {
  std::string name, version, kind, arch;
  unsigned updater = 0;
  std::vector<feed_file> files;  // zip: the image's files; msi: the installer alone
};

// The feed's text, without the signature line.
std::string feed_text(const feed& f);

// Splits a fetched feed into the bytes signed and the 64-byte signature; false when the
// last line is no signature line.
bool split_signature(const std::string& text, std::string* signed_part, std::string* signature);

// Reads the signed part; false with *problem set on anything malformed, unknown, too large
// or unsafe: every path must pass path_problem, no two may be one path to Windows, and a
// zip feed's top-level names must be NAME.exe, NAME.tavrin or content folders.
bool parse_feed(const std::string& text, feed* out, std::string* problem);

// Why Windows must not be given path ('/' between parts) below the install folder: empty,
// absolute, '.' or '..' parts, reserved characters or device names, a trailing dot or space,
// over-long parts. Null when it is safe.
const char* path_problem(const std::string& path);

// Whether text is a version: 1 to 4 numbers of at most 9 digits, separated by dots.
bool is_version(const std::string& text);

// Negative, zero or positive as version a is older than, the same as or newer than b; a
// missing number counts as 0, so 1.1 and 1.1.0 are the same.
int compare_versions(const std::string& a, const std::string& b);

// Whether name is a content folder: a lower-case word, '-', 16 lower-case hex digits.
bool is_content_folder(const std::string& name);

// Lower-case hex of bytes, and back (false on anything but an even count of hex digits).
std::string hex(const std::string& bytes);
bool unhex(const std::string& text, std::string* bytes);

}  // namespace update
