// The password or PIN that unlocks the signing key. Pack takes it from its variable once,
// wipes and removes the variable, so that no program pack starts inherits it, and wipes its
// one copy when dropped. Nothing of pack's memory reaches a core file.
#pragma once

#include <memory>
#include <string>

struct secret {
  std::string text;
  secret() = default;
  secret(const secret&) = delete;
  secret& operator=(const secret&) = delete;
  ~secret();
};

// Takes the secret out of the environment variable. Throws a refusal, naming the option,
// when it is not set or empty.
std::shared_ptr<const secret> take_secret(const std::string& variable);

// Turns core dumps of pack off, before it reads anything: its environment may hold a secret.
void forbid_core_dumps();
