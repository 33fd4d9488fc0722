#include "update/release_key.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "host/host_files.h"
#include "host/refusal.h"

namespace {

using pkey = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

struct password_request {
  const std::string* password;
  bool asked;
};

// OpenSSL asks for the password only when the key is encrypted.
int give_password(char* buf, int size, int, void* data) {
  auto* request = static_cast<password_request*>(data);
  request->asked = true;
  if (request->password->empty() || static_cast<int>(request->password->size()) > size) return -1;
  std::memcpy(buf, request->password->data(), request->password->size());
  return static_cast<int>(request->password->size());
}

std::string read(const std::string& file, const std::string& option) {
  if (!fs::is_regular_file(fs::u8path(file))) throw refusal(option + " " + file + ": no such file");
  return read_host_file(fs::u8path(file));
}

// The key's X and Y, 32 bytes each; refuses any key but one of P-256, naming what it is.
std::string p256_point(EVP_PKEY* key, const std::string& what) {
  char group[64] = "";
  size_t length = 0;
  if (EVP_PKEY_get_base_id(key) != EVP_PKEY_EC) {
    const char* type = EVP_PKEY_get0_type_name(key);
    throw refusal(what + ": is an " + std::string(type ? type : "unknown") +
                  " key; releases are signed with ECDSA P-256 (openssl ecparam -name "
                  "prime256v1 -genkey)");
  }
  if (!EVP_PKEY_get_group_name(key, group, sizeof group, &length) ||
      std::strcmp(group, "prime256v1") != 0)
    throw refusal(what + ": is an EC key on the curve " + (length ? group : "unknown") +
                  "; releases are signed with ECDSA P-256 (prime256v1)");
  std::string point(64, '\0');
  BIGNUM *x = nullptr, *y = nullptr;
  bool ok = EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_X, &x) &&
            EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_Y, &y) &&
            BN_bn2binpad(x, reinterpret_cast<unsigned char*>(&point[0]), 32) == 32 &&
            BN_bn2binpad(y, reinterpret_cast<unsigned char*>(&point[32]), 32) == 32;
  BN_free(x);
  BN_free(y);
  if (!ok) throw refusal(what + ": its public point cannot be read");
  return point;
}

pkey private_key(const release_key& k, const std::string& what, const std::string& variable) {
  password_request request{&k.password, false};
  std::unique_ptr<BIO, decltype(&BIO_free)> bio(
      BIO_new_mem_buf(k.pem.data(), static_cast<int>(k.pem.size())), &BIO_free);
  pkey key(PEM_read_bio_PrivateKey(bio.get(), nullptr, give_password, &request), &EVP_PKEY_free);
  if (!key && request.asked && variable.empty())
    throw refusal(what +
                  ": is encrypted; give its password through --update-key-password-env "
                  "VAR");
  if (!key && request.asked)
    throw refusal(what + ": the password in " + variable + " is wrong for it");
  if (!key) throw refusal(what + ": holds no PEM private key");
  return key;
}

}  // namespace

release_key read_release_key(const update_options& o) {
  release_key k{read(o.key, "--update-key"), "", ""};
  if (!o.password_env.empty()) {
    const char* value = std::getenv(o.password_env.c_str());
    if (!value)
      throw refusal("--update-key-password-env " + o.password_env + ": " + o.password_env +
                    " is not set");
    k.password = value;
  }
  std::string what = "--update-key " + o.key;
  k.point = p256_point(private_key(k, what, o.password_env).get(), what);
  return k;
}

std::string trusted_point(const std::string& file) {
  std::string pem = read(file, "--update-trust"), what = "--update-trust " + file;
  std::unique_ptr<BIO, decltype(&BIO_free)> bio(
      BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), &BIO_free);
  pkey key(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr), &EVP_PKEY_free);
  if (!key)
    throw refusal(what + ": holds no PEM public key (openssl ec -in key.pem -pubout makes one)");
  return p256_point(key.get(), what);
}

std::string sign_release(const release_key& k, const std::string& text) {
  pkey key = private_key(k, "the release key", "");
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                  &EVP_MD_CTX_free);
  size_t size = 0;
  std::string der;
  if (EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
      EVP_DigestSign(context.get(), nullptr, &size, nullptr, 0) == 1) {
    der.resize(size);
    auto* out = reinterpret_cast<unsigned char*>(&der[0]);
    auto* in = reinterpret_cast<const unsigned char*>(text.data());
    if (EVP_DigestSign(context.get(), out, &size, in, text.size()) != 1) size = 0;
    der.resize(size);
  }
  const auto* at = reinterpret_cast<const unsigned char*>(der.data());
  std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> sig(
      d2i_ECDSA_SIG(nullptr, &at, static_cast<long>(der.size())), &ECDSA_SIG_free);
  std::string raw(64, '\0');
  if (!sig ||
      BN_bn2binpad(ECDSA_SIG_get0_r(sig.get()), reinterpret_cast<unsigned char*>(&raw[0]), 32) !=
          32 ||
      BN_bn2binpad(ECDSA_SIG_get0_s(sig.get()), reinterpret_cast<unsigned char*>(&raw[32]), 32) !=
          32)
    throw refusal("the release key could not sign the feed");
  return raw;
}
