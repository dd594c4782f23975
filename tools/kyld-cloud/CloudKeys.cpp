#include "CloudKeys.h"

#include <mbedtls/pk.h>

#include <fstream>
#include <map>
#include <stdexcept>

#include "utils/CodecUtil.h"
#include "utils/EccKeyAgreement.h"
#include "utils/MbedtlsContext.h"

namespace {

const char* const kTypeNames[3] = {"DEFAULT", "SH_CA", "TEST"};
const char* const kRootFiles[3] = {"root_default.pem", "root_sh_ca.pem", "root_test.pem"};

using MbedtlsPk = MbedtlsContext<mbedtls_pk_context, mbedtls_pk_init, mbedtls_pk_free>;

std::vector<uint8_t> readRootPrivateKey(const std::string& path) {
  MbedtlsPk pk;
  if (mbedtls_pk_parse_keyfile(pk.get(), path.c_str(), nullptr) != 0 ||
      mbedtls_pk_get_type(pk.get()) != MBEDTLS_PK_ECKEY) {
    throw std::runtime_error("cannot read the EC private key " + path);
  }
  const mbedtls_ecp_keypair* pair = mbedtls_pk_ec(*pk.get());
  if (pair->grp.id != MBEDTLS_ECP_DP_SECP256R1) throw std::runtime_error(path + " is not a P-256 key");
  std::vector<uint8_t> scalar(32);
  if (mbedtls_mpi_write_binary(&pair->d, scalar.data(), scalar.size()) != 0) {
    throw std::runtime_error("cannot export the private key of " + path);
  }
  return scalar;
}

std::map<std::string, std::string> readEnvFile(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::map<std::string, std::string> values;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    auto eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return values;
}

std::string sixteenCharacters(const std::map<std::string, std::string>& env, const std::string& name) {
  auto it = env.find(name);
  if (it == env.end() || it->second.size() != 16) {
    throw std::runtime_error("keys.env: " + name + " must be present and exactly 16 characters");
  }
  return it->second;
}

bool pointOnCurve(const std::vector<uint8_t>& bytes) {
  MbedtlsEcpGroup group;
  MbedtlsEcpPoint point;
  return bytes.size() == static_cast<size_t>(kEccPubKeyLength) && bytes[0] == 0x04 &&
         mbedtls_ecp_group_load(group.get(), MBEDTLS_ECP_DP_SECP256R1) == 0 &&
         mbedtls_ecp_point_read_binary(group.get(), point.get(), bytes.data(), bytes.size()) == 0 &&
         mbedtls_ecp_check_pubkey(group.get(), point.get()) == 0;
}

}  // namespace

CloudKeys CloudKeys::load(const std::string& directory) {
  CloudKeys keys;
  for (int i = 0; i < 3; ++i) keys.rootPrivate_[i] = readRootPrivateKey(directory + "/" + kRootFiles[i]);
  auto env = readEnvFile(directory + "/keys.env");
  keys.fixedKeys_ = {sixteenCharacters(env, "FIXED_KEY_DEFAULT"), sixteenCharacters(env, "FIXED_KEY_SH_CA"),
                     sixteenCharacters(env, "FIXED_KEY_TEST")};
  keys.fixedIv_ = sixteenCharacters(env, "FIXED_IV");
  keys.logKey_ = sixteenCharacters(env, "LOG_KEY");
  keys.logIv_ = sixteenCharacters(env, "LOG_IV");
  return keys;
}

std::optional<int> CloudKeys::typeIndex(const std::string& typeName) {
  for (int i = 0; i < 3; ++i) {
    if (typeName == kTypeNames[i]) return i;
  }
  return std::nullopt;
}

const char* CloudKeys::typeName(int typeIndex) { return kTypeNames[typeIndex < 0 || typeIndex > 2 ? 2 : typeIndex]; }

std::optional<std::string> CloudKeys::deriveShareKey(int typeIndex, const std::vector<uint8_t>& devicePoint) const {
  // ECDH with a point off the curve would leak bits of the root key (invalid-curve attack).
  if (typeIndex < 0 || typeIndex > 2 || !pointOnCurve(devicePoint)) return std::nullopt;
  MbedtlsEcpPoint peer;
  MbedtlsMpi d, z;
  const auto& scalar = rootPrivate_[typeIndex];
  if (loadEccPubKey(devicePoint.data(), devicePoint.size(), peer.get()) != 0 ||
      loadEccPrivKey(scalar.data(), scalar.size(), d.get()) != 0 || eccComputeShared(d.get(), peer.get(), z.get()) != 0) {
    return std::nullopt;
  }
  uint8_t* secret = nullptr;
  int length = getEccPrivKey(z.get(), &secret);
  if (length <= 0) return std::nullopt;
  char* encoded = base64Encode(secret, static_cast<uint64_t>(length));
  mFree(secret);
  if (encoded == nullptr) return std::nullopt;
  std::string key(encoded, kShareKeyLength);
  mFree(encoded);
  return key;
}
