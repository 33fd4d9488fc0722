#include "authenticode.h"

#include "der.h"

namespace {

using list = std::vector<der_element>;

const std::string common_name("\x55\x04\x03", 3), organization("\x55\x04\x0A", 3);
const std::string extended_key_usage("\x55\x1D\x25", 3);
const std::string code_signing("\x2B\x06\x01\x05\x05\x07\x03\x03", 8);
const std::string rsa("\x2A\x86\x48\x86\xF7\x0D\x01\x01\x01", 9);
const std::string sha1_rsa("\x2A\x86\x48\x86\xF7\x0D\x01\x01\x05", 9);
const std::string sha1_ecdsa("\x2A\x86\x48\xCE\x3D\x04\x01", 7);
const std::string sha1_dsa("\x2A\x86\x48\xCE\x38\x04\x03", 7);
const std::string signing_time("\x2A\x86\x48\x86\xF7\x0D\x01\x09\x05", 9);
const std::string counter_signature("\x2A\x86\x48\x86\xF7\x0D\x01\x09\x06", 9);
const std::string rfc3161_stamp("\x2B\x06\x01\x04\x01\x82\x37\x03\x03\x01", 10);

// The value of an attribute of a Name (a SEQUENCE of SETs of type and value), or empty.
std::string attribute(const der_element& name, const std::string& type) {
  for (const der_element& set : der_children(name.contents)) {
    for (const der_element& pair : der_children(set.contents)) {
      list parts = der_children(pair.contents);
      if (parts.size() == 2 && parts[0].tag == 0x06 && parts[0].contents == type)
        return parts[1].contents;
    }
  }
  return "";
}

// The bits of an RSA key's modulus, from a SubjectPublicKeyInfo; 0 for other keys.
unsigned rsa_bits(const der_element& key_info) {
  list parts = der_children(key_info.contents);
  if (parts.size() != 2 || parts[1].tag != 0x03 || parts[1].contents.empty()) return 0;
  list algorithm = der_children(parts[0].contents);
  if (algorithm.empty() || algorithm[0].contents != rsa) return 0;
  // The BIT STRING's first byte counts its unused bits; then RSAPublicKey { n, e }.
  list key = der_children(parts[1].contents.substr(1));
  list numbers = key.empty() ? list{} : der_children(key[0].contents);
  if (numbers.empty()) return 0;
  std::string n = numbers[0].contents;
  n.erase(0, n.find_first_not_of('\0'));
  if (n.empty()) return 0;
  unsigned bits = static_cast<unsigned>(n.size()) * 8;
  for (unsigned char top = static_cast<unsigned char>(n[0]); !(top & 0x80); top <<= 1) --bits;
  return bits;
}

bool read_certificate(const der_element& certificate, certificate_fields* c) {
  list parts = der_children(certificate.contents);
  if (parts.size() < 2) return false;
  list tbs = der_children(parts[0].contents);
  size_t f = !tbs.empty() && tbs[0].tag == 0xA0;  // the version, when given
  if (tbs.size() < f + 6) return false;
  list validity = der_children(tbs[f + 3].contents);
  if (validity.size() != 2 || !read_der_time(validity[0], &c->not_before) ||
      !read_der_time(validity[1], &c->not_after))
    return false;
  c->whole = certificate.whole;
  c->issuer = tbs[f + 2].whole;
  c->subject = tbs[f + 4].whole;
  c->name = attribute(tbs[f + 4], common_name);
  if (c->name.empty()) c->name = attribute(tbs[f + 4], organization);
  c->issuer_name = attribute(tbs[f + 2], common_name);
  if (c->issuer_name.empty()) c->issuer_name = attribute(tbs[f + 2], organization);
  list algorithm = der_children(parts[1].contents);
  c->sha1_signed = !algorithm.empty() &&
                   (algorithm[0].contents == sha1_rsa || algorithm[0].contents == sha1_ecdsa ||
                    algorithm[0].contents == sha1_dsa);
  c->rsa_bits = rsa_bits(tbs[f + 5]);
  for (size_t i = f + 6; i < tbs.size(); ++i) {
    if (tbs[i].tag != 0xA3) continue;
    list extensions = der_children(tbs[i].contents);
    for (const der_element& extension :
         extensions.empty() ? extensions : der_children(extensions[0].contents)) {
      list fields = der_children(extension.contents);
      if (fields.size() < 2 || fields[0].contents != extended_key_usage) continue;
      list usages = der_children(fields.back().contents);
      c->for_code_signing = false;
      for (const der_element& usage : usages.empty() ? usages : der_children(usages[0].contents))
        c->for_code_signing |= usage.contents == code_signing;
    }
  }
  return true;
}

// The attributes of a SignerInfo under the context tag ([0] signed, [1] unsigned), each as
// its type and the elements of its value SET.
std::vector<std::pair<std::string, list>> attributes(const list& signer, unsigned tag) {
  std::vector<std::pair<std::string, list>> found;
  for (const der_element& field : signer) {
    if (field.tag != tag) continue;
    for (const der_element& attribute : der_children(field.contents)) {
      list parts = der_children(attribute.contents);
      if (parts.size() == 2) found.push_back({parts[0].contents, der_children(parts[1].contents)});
    }
  }
  return found;
}

// The SignedData of a ContentInfo, as its fields.
list signed_data(const std::string& content_info) {
  der_element content;
  size_t at = 0;
  if (!next_der(content_info, &at, &content)) return {};
  list info = der_children(content.contents);
  if (info.size() != 2 || info[1].tag != 0xA0) return {};
  list data = der_children(info[1].contents);
  return data.size() == 1 ? der_children(data[0].contents) : list{};
}

// The time of a time stamp: an RFC 3161 token's genTime, or the signing time that a
// countersignature signs.
bool stamp_time(const std::string& type, const list& values, int64_t* time) {
  if (values.empty()) return false;
  if (type == counter_signature) {
    for (const auto& [kind, times] : attributes(der_children(values[0].contents), 0xA0)) {
      if (kind == signing_time && !times.empty()) return read_der_time(times[0], time);
    }
    return false;
  }
  if (type != rfc3161_stamp) return false;
  // SignedData { version, digestAlgorithms, encapContentInfo { type, [0] OCTET STRING
  // TSTInfo { version, policy, messageImprint, serialNumber, genTime, ... } } }.
  list data = signed_data(values[0].whole);
  if (data.size() < 3) return false;
  list encapsulated = der_children(data[2].contents);
  if (encapsulated.size() != 2) return false;
  list octets = der_children(encapsulated[1].contents);
  if (octets.empty()) return false;
  der_element info;
  size_t at = 0;
  if (!next_der(octets[0].contents, &at, &info)) return false;
  list fields = der_children(info.contents);
  return fields.size() >= 5 && read_der_time(fields[4], time);
}

}  // namespace

bool read_authenticode(const std::string& signature, authenticode* out) {
  // SignedData { version, digestAlgorithms, contentInfo, [0] certificates, [1] crls,
  // signerInfos }; its content is SpcIndirectDataContent { data, DigestInfo }.
  list fields = signed_data(signature);
  if (fields.size() < 5 || fields[3].tag != 0xA0) return false;
  list content = der_children(fields[2].contents);
  list indirect = content.size() == 2 ? der_children(content[1].contents) : list{};
  list data = indirect.empty() ? list{} : der_children(indirect[0].contents);
  list digest_info = data.size() == 2 ? der_children(data[1].contents) : list{};
  list algorithm = digest_info.size() == 2 ? der_children(digest_info[0].contents) : list{};
  if (algorithm.empty()) return false;
  out->digest_algorithm = algorithm[0].contents;
  out->digest = digest_info[1].contents;
  list signers = der_children(fields.back().contents);
  list first = signers.empty() ? list{} : der_children(signers[0].contents);
  list issuer_and_serial = first.size() >= 2 ? der_children(first[1].contents) : list{};
  if (issuer_and_serial.size() != 2) return false;
  out->certificates.clear();
  bool found = false;
  for (const der_element& certificate : der_children(fields[3].contents)) {
    certificate_fields c;
    if (!read_certificate(certificate, &c)) continue;
    out->certificates.push_back(c);
    list tbs = der_children(der_children(certificate.contents)[0].contents);
    size_t f = !tbs.empty() && tbs[0].tag == 0xA0;
    if (!found && tbs[f].whole == issuer_and_serial[1].whole &&
        c.issuer == issuer_and_serial[0].whole) {
      out->signer = c;
      found = true;
    }
  }
  out->stamped = false;
  for (const auto& [type, values] : attributes(first, 0xA1)) {
    if (!out->stamped) out->stamped = stamp_time(type, values, &out->stamp_time);
  }
  return found;
}

std::string certificate_time_problem(const authenticode& signature, int64_t now) {
  int64_t at = signature.stamped ? signature.stamp_time : now;
  const certificate_fields& c = signature.signer;
  if (at > c.not_after) return "expired on " + utc_text(c.not_after);
  if (at < c.not_before) return "is not valid before " + utc_text(c.not_before);
  return "";
}
