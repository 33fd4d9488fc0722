#include "signature_validity.h"

#include <string_view>
#include <vector>

#include "der.h"
#include "digest.h"
#include "pe_signature.h"

namespace {

// The digest algorithms of Authenticode, by their OIDs' DER contents.
bool digest_kind_of(const std::string& oid, digest_kind* kind) {
  const std::pair<std::string, digest_kind> known[] = {
      {std::string("\x2B\x0E\x03\x02\x1A", 5), digest_kind::sha1},
      {std::string("\x60\x86\x48\x01\x65\x03\x04\x02\x01", 9), digest_kind::sha256},
      {std::string("\x60\x86\x48\x01\x65\x03\x04\x02\x02", 9), digest_kind::sha384},
      {std::string("\x60\x86\x48\x01\x65\x03\x04\x02\x03", 9), digest_kind::sha512}};
  for (const auto& [name, value] : known) {
    if (name != oid) continue;
    *kind = value;
    return true;
  }
  return false;
}

// The file's Authenticode digest: all of it but its checksum, the certificate table's
// directory entry, and the table with whatever follows it.
std::string pe_digest(const std::string& file, const pe_layout& at, digest_kind kind) {
  std::string_view bytes(file);
  uint64_t end = at.size ? at.table : file.size();
  std::vector<std::string_view> pieces{bytes.substr(0, at.checksum)};
  if (at.table_entry + 8 <= end) {
    pieces.push_back(bytes.substr(at.checksum + 4, at.table_entry - at.checksum - 4));
    pieces.push_back(bytes.substr(at.table_entry + 8, end - at.table_entry - 8));
  } else {
    pieces.push_back(bytes.substr(at.checksum + 4, end - at.checksum - 4));
  }
  return digest_of(kind, pieces);
}

}  // namespace

signature_judgement judge_signature(const std::string& file, int64_t now) {
  signature_judgement j;
  pe_layout layout;
  std::string signature;
  if (!read_pe_layout(file, &layout) || !read_pe_signature(file, &signature) ||
      (layout.size == 0 && signature.empty()))
    return j;
  j.state = signature_state::invalid;
  digest_kind kind;
  if (signature.empty() || !read_authenticode(signature, &j.contents)) {
    j.problem = "it cannot be read";
  } else if (!digest_kind_of(j.contents.digest_algorithm, &kind)) {
    j.problem = "its digest algorithm is none that Windows accepts";
  } else if (pe_digest(file, layout, kind) != j.contents.digest) {
    j.problem = "its digest does not match the file's contents";
  } else {
    std::string late = certificate_time_problem(j.contents, now);
    j.expired_unstamped = !j.contents.stamped && late.compare(0, 7, "expired") == 0;
    if (late.empty()) j.state = signature_state::valid;
    const std::string& signer = j.contents.signer.name;
    if (late.empty()) {
      j.problem = "";
    } else if (j.contents.stamped) {
      j.problem = "it was time-stamped at " + utc_text(j.contents.stamp_time) +
                  ", outside the validity of the certificate of " + signer + ", which " + late;
    } else {
      j.problem = "the certificate of " + signer + " " + late +
                  (j.expired_unstamped ? ", and the signature has no time stamp" : "");
    }
  }
  return j;
}
