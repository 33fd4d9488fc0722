#include "update/http.h"

#include <winhttp.h>

namespace update {
namespace {

// A server that stops sending is given up after this long, while connecting, while waiting
// for the response's headers and between two pieces of the body.
constexpr int wait_ms = 30000;

std::string lower(std::string text) {
  for (char& c : text) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  return text;
}

struct handles {
  HINTERNET session = nullptr, connection = nullptr, request = nullptr;
  ~handles() {
    if (request) WinHttpCloseHandle(request);
    if (connection) WinHttpCloseHandle(connection);
    if (session) WinHttpCloseHandle(session);
  }
};

bool fail(std::string* problem, const std::string& what) {
  *problem = what + " (error " + std::to_string(GetLastError()) + ")";
  return false;
}

}  // namespace

bool allowed_url(const std::string& url) {
  std::string u = lower(url);
  if (u.compare(0, 8, "https://") == 0) return true;
  for (const char* loopback : {"http://127.0.0.1", "http://localhost", "http://[::1]"}) {
    size_t n = std::string(loopback).size();
    if (u.compare(0, n, loopback) == 0 && (u.size() == n || u[n] == '/' || u[n] == ':'))
      return true;
  }
  return false;
}

bool fetch(const std::string& url, const std::wstring& file, uint64_t limit, const std::string& sha,
           std::string* bytes, uint64_t* received, std::string* problem) {
  *received = 0;
  if (!allowed_url(url)) {
    *problem = "refused: " + url + " is neither https:// nor loopback";
    return false;
  }
  std::wstring wide_url = widen(url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  wchar_t host[256], path[2048];
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = 2048;
  if (!WinHttpCrackUrl(wide_url.c_str(), 0, 0, &parts)) return fail(problem, "bad URL " + url);
  handles h;
  h.session = WinHttpOpen(L"tavrin-update/1", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                          WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (!h.session) return fail(problem, "WinHttpOpen failed");
  WinHttpSetTimeouts(h.session, wait_ms, wait_ms, wait_ms, wait_ms);
  h.connection = WinHttpConnect(h.session, host, parts.nPort, 0);
  bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  if (h.connection)
    h.request = WinHttpOpenRequest(h.connection, L"GET", path, nullptr, WINHTTP_NO_REFERER,
                                   WINHTTP_DEFAULT_ACCEPT_TYPES, secure ? WINHTTP_FLAG_SECURE : 0);
  if (!h.request) return fail(problem, "cannot reach " + url);
  // Wine's WinHTTP ignores the receive time-out while it waits for the headers; this one
  // bounds that wait on Windows and Wine alike.
  DWORD wait = wait_ms;
  WinHttpSetOption(h.request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &wait, sizeof wait);
  if (!WinHttpSendRequest(h.request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0,
                          0, 0) ||
      !WinHttpReceiveResponse(h.request, nullptr))
    return fail(problem, "no answer from " + url);
  DWORD status = 0, size = sizeof status;
  WinHttpQueryHeaders(h.request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
  if (status != 200) {
    *problem = url + " answered with status " + std::to_string(status);
    return false;
  }
  HANDLE out = INVALID_HANDLE_VALUE;
  if (!file.empty()) {
    out = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return fail(problem, "cannot write " + narrow(file));
  }
  sha256 hash;
  bool ok = hash.start();
  static char buffer[1 << 16];
  for (DWORD got = 0; ok; *received += got) {
    if (!WinHttpReadData(h.request, buffer, sizeof buffer, &got)) {
      ok = fail(problem, "the download of " + url + " broke off");
      break;
    }
    if (got == 0) break;
    if (*received + got > limit) {
      *problem = url + " is larger than its " + std::to_string(limit) + " bytes";
      ok = false;
      break;
    }
    hash.add(buffer, got);
    DWORD written = 0;
    if (out == INVALID_HANDLE_VALUE) {
      bytes->append(buffer, got);
    } else if (!WriteFile(out, buffer, got, &written, nullptr) || written != got) {
      ok = fail(problem, "cannot write " + narrow(file));
    }
  }
  if (ok && !sha.empty() && (*received != limit || hash.finish() != sha)) {
    *problem = url + " is not the file the feed names: its size or SHA-256 differs";
    ok = false;
  }
  if (out != INVALID_HANDLE_VALUE) {
    ok = FlushFileBuffers(out) && ok;
    CloseHandle(out);
    if (!ok) DeleteFileW(file.c_str());
  }
  return ok;
}

}  // namespace update
