// tavrin-pack's options for apps that update themselves: where releases are served, the key
// that signs them, the further keys the app trusts, and how often it checks.
#pragma once

#include <string>
#include <vector>

struct update_options {
  std::string url;                 // --update-url, ending in '/'; empty: no updates
  std::string key;                 // --update-key: the release key, ECDSA P-256 in PEM
  std::string password_env;        // --update-key-password-env: the variable holding its password
  std::vector<std::string> trust;  // --update-trust: further public keys, PEM
  int interval_hours = 24;         // --update-interval
};

// What --help prints about updates.
extern const char update_help[];

bool is_update_option(const std::string& option);

// Sets an update option's value; false with *problem set when the value cannot be used: a
// URL that is not https:// (http:// only to a loopback host), an interval that is no whole
// number of hours from 1 to 8760.
bool take_update_option(update_options* options, const std::string& option,
                        const std::string& value, std::string* problem);

// What the rest of the command line asks for, which updates depend on.
struct update_target {
  bool zip_or_msi, per_machine, more_launchers, given_image, service;
  std::string vendor;
};

// False with *problem set unless the options ask for no updates, or for updates with all
// they need: a URL and a key together, a zip or a per-user installer, one launcher that is
// no service, and a vendor (administrators' policy key is Software\Policies\VENDOR\NAME).
bool check_update_options(const update_options& options, const update_target& target,
                          std::string* problem);
