#include "options/update_options.h"

#include <cctype>

#include "options/fail.h"

const char update_help[] =
    "Updates: the app checks the URL for newer releases, which it verifies and switches to:\n"
    "  --update-url URL         where releases are served (https://; http:// only to loopback);\n"
    "                           --dest then also holds the signed feed and the release's files\n"
    "  --update-key FILE        the release-signing key, ECDSA P-256 in PEM\n"
    "  --update-key-password-env VAR  the variable that holds an encrypted key's password\n"
    "  --update-trust PUB.pem   a further trusted public key (a key rotation), repeatable\n"
    "  --update-interval HOURS  at most one check per HOURS (default 24)\n";

namespace {

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The URL's problem, empty when the app may fetch releases from it: https://, or http:// to
// a loopback host, with a host, and nothing a folder's URL cannot end in.
std::string url_problem(const std::string& url) {
  std::string scheme = lower(url.substr(0, url.find("://")));
  size_t start = scheme.size() + 3;
  if (url.find("://") == std::string::npos || (scheme != "https" && scheme != "http"))
    return "is no https:// URL";
  for (unsigned char c : url) {
    if (c <= ' ' || c == '?' || c == '#' || c == '\\' || c >= 0x7F)
      return "holds a space, '?', '#', '\\' or a character outside ASCII; give the folder's "
             "URL, percent-encoded";
  }
  std::string authority = url.substr(start, url.find('/', start) - start);
  if (authority.find('@') != std::string::npos) return "holds a user name";
  std::string host = lower(
      authority.substr(0, authority[0] == '[' ? authority.find(']') + 1 : authority.find(':')));
  if (host.empty()) return "names no host";
  if (scheme == "http" && host != "127.0.0.1" && host != "localhost" && host != "[::1]")
    return "is plain http://, which anyone on the way can change; use https:// (http:// is "
           "for a loopback host only: 127.0.0.1, localhost or [::1])";
  return "";
}

}  // namespace

bool is_update_option(const std::string& option) {
  return option.compare(0, 9, "--update-") == 0;
}

bool take_update_option(update_options* o, const std::string& option, const std::string& value,
                        std::string* problem) {
  if (value.empty()) return fail(problem, option + " needs a value");
  if (option == "--update-url") {
    std::string why = url_problem(value);
    if (!why.empty()) return fail(problem, "--update-url " + value + ": " + why);
    o->url = value.back() == '/' ? value : value + "/";
  } else if (option == "--update-key") {
    o->key = value;
  } else if (option == "--update-key-password-env") {
    o->password_env = value;
  } else if (option == "--update-trust") {
    o->trust.push_back(value);
  } else if (option == "--update-interval") {
    if (value.size() > 4 || value.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(value) < 1 || std::stoi(value) > 8760)
      return fail(problem,
                  "--update-interval " + value + ": give a whole number of hours from 1 to 8760");
    o->interval_hours = std::stoi(value);
  } else {
    return fail(problem, "unknown option " + option);
  }
  return true;
}

bool check_update_options(const update_options& o, const update_target& target,
                          std::string* problem) {
  if (o.url.empty() && o.key.empty()) {
    return (o.password_env.empty() && o.trust.empty()) ||
           fail(problem, "--update-key-password-env and --update-trust need --update-url");
  }
  if (o.url.empty())
    return fail(problem, "--update-key needs --update-url: where the app finds its releases");
  if (o.key.empty())
    return fail(problem,
                "--update-url needs --update-key: the ECDSA P-256 key (PEM) that signs "
                "releases; make one with openssl ecparam -name prime256v1 -genkey -out key.pem");
  if (!target.zip_or_msi)
    return fail(problem,
                "--update-url needs --type zip or msi: a release is served as a package "
                "beside its feed");
  if (target.per_machine)
    return fail(problem,
                "--update-url is not for --win-per-machine-install: an update there needs an "
                "administrator; update per-machine installs through your deployment");
  if (target.more_launchers)
    return fail(problem,
                "--update-url is not for an app with --add-launcher: each launcher's parameter "
                "file would switch on its own; pack each program that updates as an app of its "
                "own");
  if (target.service)
    return fail(problem,
                "--update-url is not for --launcher-as-service: the service twin does not check "
                "for updates; update a service through your deployment");
  if (target.given_image)
    return fail(problem, "--update-url is not for --app-image: pack lays out the image itself");
  if (target.vendor.empty())
    return fail(problem,
                "--update-url needs --vendor: administrators turn updates off under "
                "HKLM\\Software\\Policies\\VENDOR\\NAME");
  return true;
}
