// Whether a signed file's signature is its own: the digest an Authenticode signature holds
// against the digest of the file's contents, both as osslsigncode verify computes them.
// The certificate chain is not judged: pack need not know the signer's roots.
#pragma once

#include <filesystem>
#include <string>

// Empty when the program or installer carries a signature (nested ones included) whose
// every digest matches its contents; otherwise what is wrong, to follow the file's name.
// Throws a refusal when osslsigncode cannot be started.
std::string signature_problem(const std::filesystem::path& file);
