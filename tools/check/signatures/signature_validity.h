// Whether Windows would take a program's or DLL's signature as valid: the digest it signs
// is the file's Authenticode digest, and its certificate was valid when it was time-stamped
// or, without a time stamp, is valid now. The certificate chain is not judged: that needs
// the roots of the machine that runs the file.
#pragma once

#include <cstdint>
#include <string>

#include "authenticode.h"

enum class signature_state { none, valid, invalid };

struct signature_judgement {
  signature_state state = signature_state::none;
  std::string problem;             // why it is invalid, a phrase
  bool expired_unstamped = false;  // invalid only as its certificate expired, without a stamp
  authenticode contents;           // what it holds, when it can be read
};

// Judges the signature of a PE file, given as its bytes, at the Unix time now.
signature_judgement judge_signature(const std::string& file, int64_t now);
