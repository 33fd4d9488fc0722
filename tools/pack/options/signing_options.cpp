#include "options/signing_options.h"

#include "options/fail.h"

const char signing_help[] =
    "Signing: NAME.exe, then every unsigned program and DLL (PE file) of the image, then the\n"
    "installer; SHA-256, described by --name and --about-url. One way to reach the key:\n"
    "  --win-sign-pkcs12 FILE   a PKCS#12 (.pfx, .p12) file\n"
    "  --win-sign-pkcs11-module LIB.so --win-sign-key pkcs11:URI --win-sign-cert CHAIN.pem\n"
    "                           a key in a token or HSM, through its PKCS#11 module\n"
    "  --win-sign-command CMD   run by sh -c for each file, {} its path (\"$1\"); signs in place\n"
    "  --win-sign-password-env VAR  the variable that holds the password or the token's PIN\n"
    "  --win-sign-timestamp URL an RFC 3161 time-stamping server, repeatable, tried in order\n";

bool is_signing_option(const std::string& option) {
  return option.compare(0, 11, "--win-sign-") == 0;
}

bool take_signing_option(signing_options* o, const std::string& option, const std::string& value,
                         std::string* problem) {
  // An empty value would quietly mean no signing.
  if (value.empty()) return fail(problem, option + " needs a value");
  if (option == "--win-sign-timestamp") {
    o->timestamp_urls.push_back(value);
    return true;
  }
  // A PIN in the URI would be on every command line that names the key.
  if (option == "--win-sign-key" &&
      (value.compare(0, 7, "pkcs11:") != 0 || value.find("pin-value") != value.npos))
    return fail(problem,
                "--win-sign-key: give the key as a pkcs11: URI without pin-value, "
                "and the PIN through --win-sign-password-env");
  std::pair<const char*, std::string*> values[] = {
      {"--win-sign-pkcs12", &o->pkcs12},   {"--win-sign-pkcs11-module", &o->pkcs11_module},
      {"--win-sign-key", &o->key},         {"--win-sign-cert", &o->cert},
      {"--win-sign-command", &o->command}, {"--win-sign-password-env", &o->password_env}};
  for (auto& [name, field] : values) {
    if (option == name) {
      *field = value;
      return true;
    }
  }
  return fail(problem, "unknown option " + option);
}

bool check_signing_options(const signing_options& o, std::string* problem) {
  std::string ways;
  for (auto [name, value] :
       {std::pair<const char*, const std::string*>{"--win-sign-pkcs12", &o.pkcs12},
        {"--win-sign-pkcs11-module", &o.pkcs11_module},
        {"--win-sign-command", &o.command}}) {
    if (!value->empty()) ways += (ways.empty() ? "" : " and ") + std::string(name);
  }
  if (ways.find(" and ") != ways.npos)
    return fail(problem, ways + ": give one way to sign, not two");
  bool token = !o.pkcs11_module.empty() || !o.key.empty() || !o.cert.empty();
  if (token && (o.pkcs11_module.empty() || o.key.empty() || o.cert.empty()))
    return fail(problem,
                "a key in a token needs --win-sign-pkcs11-module, --win-sign-key and "
                "--win-sign-cert together");
  if (ways.empty() && (!o.password_env.empty() || !o.timestamp_urls.empty()))
    return fail(problem,
                "--win-sign-password-env and --win-sign-timestamp need a way to sign: "
                "--win-sign-pkcs12, --win-sign-pkcs11-module or --win-sign-command");
  if (!o.command.empty() && !o.password_env.empty())
    return fail(problem,
                "--win-sign-password-env is for a key file or a token; a sign command "
                "reads its own secrets");
  return true;
}

bool signs(const signing_options& o) {
  return !o.pkcs12.empty() || !o.pkcs11_module.empty() || !o.command.empty();
}
