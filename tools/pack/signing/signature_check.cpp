#include "signing/signature_check.h"

#include <map>
#include <sstream>
#include <vector>

#include "host/host_process.h"
#include "host/refusal.h"

namespace {

// The first word after the colon of a line "KIND NAME : VALUE", and NAME.
bool digest_line(const std::string& line, const std::string& kind, std::string* name,
                 std::string* value) {
  size_t colon = line.find(':');
  if (line.compare(0, kind.size(), kind) != 0 || colon == std::string::npos) return false;
  *name = line.substr(kind.size(), colon - kind.size());
  name->erase(name->find_last_not_of(' ') + 1);
  std::istringstream(line.substr(colon + 1)) >> *value;
  // The PE checksum is not part of the signature, and Windows ignores it in programs.
  return name->find("checksum") == std::string::npos;
}

}  // namespace

std::string signature_problem(const std::filesystem::path& file) {
  // Verifying may fetch revocation lists that the certificates name.
  program_result verify = run_program({"osslsigncode", "verify", "-in", file.string()}, nullptr, "",
                                      std::chrono::seconds(120));
  if (verify.timed_out) throw refusal("osslsigncode verify did not finish in 120 s");
  if (verify.status < 0)
    throw refusal("osslsigncode cannot be started: install Debian's osslsigncode");
  // osslsigncode prints each signature's digests as "Current message digest : HEX" and
  // "Calculated message digest : HEX" (an installer's as "... DigitalSignature"), and exits
  // with 1 for an unknown root as for a wrong digest, so the digests decide.
  std::istringstream lines(verify.output);
  std::map<std::string, std::vector<std::string>> current, calculated;
  std::string line, name, value;
  while (std::getline(lines, line)) {
    if (digest_line(line, "Current ", &name, &value)) current[name].push_back(value);
    if (digest_line(line, "Calculated ", &name, &value)) calculated[name].push_back(value);
  }
  if (current.empty()) return "carries no signature";
  // Some versions print calculated digests that have no stored twin; those decide nothing.
  for (const auto& [kind, digests] : current) {
    if (calculated[kind] != digests)
      return "has a signature whose digest does not match its contents";
  }
  return "";
}
