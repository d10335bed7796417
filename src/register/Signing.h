#pragma once

// Signed records: a user's Ed25519 key, kept in the user data folder for its
// owner only, signs each record's chain hash as the record is appended; the
// register keeps the public keys it knows, each with its user, and verify
// checks every signature against them. Signing needs libsodium; a build
// without it says so, and reports signed records as not checkable.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "register/Chain.h"

namespace rq50::plant {

/// This build can make keys, sign and check signatures.
bool SigningAvailable();
/// What a build without libsodium says of a signing command.
inline constexpr const char* kNoSigning =
    "signing is not available in this build of RQ50 (it was built without libsodium)";

/// A user's key pair. The secret never leaves the key file and this object:
/// nothing prints it.
struct SigningKey {
    std::string user;
    std::string publicKey;  ///< 64 hex digits
    std::vector<std::uint8_t> secret;
    std::string Id() const;
};

/// A public key the register knows: its id, whose it is, the key.
struct KnownKey {
    std::string id;
    std::string user;
    std::string publicKey;
};

/// A key's id: the first 16 hex digits of the SHA-256 of its 32 bytes; empty
/// when `publicKey` is not 64 hex digits.
std::string KeyIdOf(const std::string& publicKey);

/// A new key for `user`; nothing in a build without signing.
std::optional<SigningKey> NewSigningKey(const std::string& user);
/// The Ed25519 signature of `chainHash` (its 64 hex digits as text), as 128
/// hex digits; empty in a build without signing.
std::string SignChainHash(const SigningKey& key, const std::string& chainHash);

enum class SignatureCheck { kGood, kWrong, kNotCheckable };
SignatureCheck CheckSignature(const std::string& publicKey, const std::string& chainHash,
                              const std::string& signature);

/// The user's key file: REGISTER-KEY/signing.key of the folder `user` (the
/// data folder's User folder); its public key beside it, signing.pub.
std::filesystem::path KeyFileIn(const std::filesystem::path& user);
std::filesystem::path PublicKeyFileOf(const std::filesystem::path& keyFile);
/// Writes `key` to the new file `file`, owner-only from the moment it exists,
/// and its public key beside it; the reason in words when it cannot be done
/// (a key file already there is never replaced), else empty.
std::string WriteKeyFile(const std::filesystem::path& file, const SigningKey& key);
/// The key in `file`; nothing when there is none or it is not one.
std::optional<SigningKey> ReadKeyFile(const std::filesystem::path& file);
/// The public key file's text, and the key it holds (a file of ours or a line
/// of 64 hex digits); nothing when it holds none.
std::string PublicKeyText(const SigningKey& key);
std::optional<std::string> PublicKeyFrom(const std::string& text);

/// How verify saw the signatures.
struct SignatureReport {
    std::int64_t signedRecords = 0;
    std::int64_t notCheckable = 0;  ///< signed, but this build cannot check them
    std::vector<ChainFinding> findings;
};

/// Checks each signed record of `links` against `keys`: a signature that is
/// not the key's over the record's chain hash, a key the register does not
/// know, and a key of another user than the record's are each named.
SignatureReport CheckSignatures(const std::vector<ChainLink>& links,
                                const std::vector<KnownKey>& keys);

}  // namespace rq50::plant
