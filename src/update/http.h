// Fetching over HTTPS (HTTP only to a loopback host) with WinHTTP, each wait bounded.
#pragma once

#include <cstdint>
#include <string>

#include "update/win32.h"

namespace update {

// Whether the program may fetch from url: https://, or http:// to 127.0.0.1, localhost or
// [::1].
bool allowed_url(const std::string& url);

// Fetches url. With file empty, into *bytes; otherwise into the file, made anew and flushed.
// At most limit bytes are taken; with sha set, the body must also have exactly limit bytes
// and that SHA-256, or the file is removed. *received counts the body's bytes. False with
// *problem set on any failure, a status other than 200 among them.
bool fetch(const std::string& url, const std::wstring& file, uint64_t limit, const std::string& sha,
           std::string* bytes, uint64_t* received, std::string* problem);

}  // namespace update
