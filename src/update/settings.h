// What the update program knows of the installed version, written by pack as comment lines
// at the top of the parameter file, which the launcher skips: so the version, the feed and
// the trusted keys change in the one atomic step that changes the version.
//
//   # tavrin-update 1
//   # version 1.0
//   # name NAME
//   # vendor VENDOR
//   # kind zip x64
//   # feed https://example.com/releases/NAME-windows-x64-zip.feed
//   # trust X-THEN-Y                 (128 hex digits, one line a key)
#pragma once

#include <string>
#include <vector>

namespace update {

struct settings {
  std::string version, name, vendor, kind, arch;
  std::string feed;                  // the feed's URL; the files are in files/ beside it
  std::vector<std::string> trusted;  // public points, X then Y, 32 bytes each
};

// The comment lines, each ending in a line feed.
std::string settings_text(const settings& s);

// Reads the comment lines at the start of a parameter file; false when they are missing or
// malformed.
bool parse_settings(const std::string& text, settings* out);

// The feed's name for an app, kind and architecture: NAME-windows-ARCH-KIND.feed, its bytes
// outside A-Z, a-z, 0-9 and "-._~" percent-encoded, so that it is one part of a URL.
std::string feed_name(const std::string& name, const std::string& arch, const std::string& kind);

}  // namespace update
