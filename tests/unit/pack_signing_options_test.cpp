// tavrin-pack's signing options: one way to reach the key, whole, and no PIN in a key's URI.
#include <gtest/gtest.h>

#include "pack_options.h"

namespace {

using args = std::vector<std::string>;

std::string problem_of(args extra) {
  args given = {"--name", "Demo", "--input", "in", "--main-jar", "a.jar", "--module-path", "j"};
  given.insert(given.end(), extra.begin(), extra.end());
  pack_options options;
  std::string problem;
  return parse_pack_options(given, &options, &problem) ? "" : problem;
}

TEST(pack_signing_options, refusals) {
  const std::string token =
      "a key in a token needs --win-sign-pkcs11-module, --win-sign-key and "
      "--win-sign-cert together";
  struct row {
    args given;
    std::string problem;
  } rows[] = {
      {{"--win-sign-pkcs12", "k.p12", "--win-sign-pkcs11-module", "p.so", "--win-sign-key",
        "pkcs11:object=k", "--win-sign-cert", "c.pem"},
       "--win-sign-pkcs12 and --win-sign-pkcs11-module: give one way to sign, not two"},
      {{"--win-sign-pkcs11-module", "p.so", "--win-sign-cert", "c.pem"}, token},
      {{"--win-sign-key", "pkcs11:object=k"}, token},
      {{"--win-sign-key", "pkcs11:object=k;pin-value=1234"},
       "--win-sign-key: give the key as a pkcs11: URI without pin-value, and the PIN through "
       "--win-sign-password-env"},
      {{"--win-sign-command", ""}, "--win-sign-command needs a value"},
      {{"--win-sign-timestamp", "http://ts"},
       "--win-sign-password-env and --win-sign-timestamp need a way to sign: "
       "--win-sign-pkcs12, --win-sign-pkcs11-module or --win-sign-command"},
      {{"--win-sign-command", "sign {}", "--win-sign-password-env", "PW"},
       "--win-sign-password-env is for a key file or a token; a sign command reads its own "
       "secrets"},
      {{"--win-sign-key-file", "k"}, "unknown option --win-sign-key-file"},
      {{"--about-url", "https://example.com", "--type", "zip"},
       "--about-url needs --type msi or a way to sign"},
  };
  for (const row& r : rows) EXPECT_EQ(problem_of(r.given), r.problem);
  // A signature's URL with any type; the signing options are no installer options.
  EXPECT_EQ(problem_of({"--win-sign-pkcs12", "k.p12", "--about-url", "https://example.com",
                        "--win-sign-timestamp", "http://a", "--win-sign-timestamp", "http://b"}),
            "");
}

}  // namespace
