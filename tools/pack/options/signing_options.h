// tavrin-pack's options for signing what it ships: one way to reach the key, where the
// password or PIN is, and the time-stamping servers.
#pragma once

#include <string>
#include <vector>

struct signing_options {
  std::string pkcs12;         // --win-sign-pkcs12: a .pfx or .p12 file
  std::string pkcs11_module;  // --win-sign-pkcs11-module: the token's PKCS#11 library
  std::string key;            // --win-sign-key: the key in the token, a pkcs11: URI
  std::string cert;           // --win-sign-cert: the chain as PEM, the signer's first
  std::string command;        // --win-sign-command: run by sh -c with {} as the file
  std::string password_env;   // --win-sign-password-env: the variable holding the secret
  std::vector<std::string> timestamp_urls;  // --win-sign-timestamp, in the order given
};

// What --help prints about signing.
extern const char signing_help[];

bool is_signing_option(const std::string& option);

// Sets a signing option's value; false with *problem set when the value cannot be used.
bool take_signing_option(signing_options* options, const std::string& option,
                         const std::string& value, std::string* problem);

// False with *problem set unless the options give no way to sign, or exactly one way with
// all it needs.
bool check_signing_options(const signing_options& options, std::string* problem);

// Whether the options ask for signing.
bool signs(const signing_options& options);
