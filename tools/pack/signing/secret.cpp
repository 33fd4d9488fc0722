#include "signing/secret.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>

#include "host/refusal.h"

secret::~secret() {
  if (!text.empty()) explicit_bzero(&text[0], text.size());
}

std::shared_ptr<const secret> take_secret(const std::string& variable) {
  char* value = std::getenv(variable.c_str());
  std::string problem = !value ? " is not set" : !*value ? " is empty" : "";
  if (!problem.empty()) {
    throw refusal("--win-sign-password-env " + variable + ": " + variable + problem +
                  "; set it to the password or the token's PIN");
  }
  auto taken = std::make_shared<secret>();
  taken->text.assign(value);
  // The environment's own bytes, which /proc shows, then the variable itself.
  explicit_bzero(value, std::strlen(value));
  unsetenv(variable.c_str());
  return taken;
}

void forbid_core_dumps() {
  rlimit none{0, 0};
  setrlimit(RLIMIT_CORE, &none);
  prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}
