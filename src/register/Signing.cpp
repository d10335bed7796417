#include "register/Signing.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <unordered_map>

#include "files/RecordFile.h"
#include "register/Sha256.h"
#include "shell/AppPaths.h"
#include "shell/PlatformFile.h"

#ifdef RQ50_HAVE_SODIUM
#include <sodium.h>
#endif

namespace rq50::plant {
namespace fs = std::filesystem;

namespace {

constexpr const char* kKeyMagic = "RQ50 signing key 1";
constexpr const char* kPublicMagic = "RQ50 public key 1";
constexpr std::size_t kPublicBytes = 32;
constexpr std::size_t kSecretBytes = 64;
constexpr std::size_t kSignatureBytes = 64;

std::string Hex(const std::uint8_t* bytes, std::size_t size) {
    static const char* const digits = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

/// The bytes of `hex` (lower or upper case), or nothing when it is not
/// `size` bytes of hex digits.
std::optional<std::vector<std::uint8_t>> Bytes(const std::string& hex, std::size_t size) {
    if (hex.size() != size * 2) return std::nullopt;
    std::vector<std::uint8_t> out(size);
    for (std::size_t i = 0; i < hex.size(); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(hex[i])));
        const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (v < 0) return std::nullopt;
        out[i / 2] = static_cast<std::uint8_t>(out[i / 2] * 16 + v);
    }
    return out;
}

/// The "name=value" lines of `text`.
std::unordered_map<std::string, std::string> Fields(const std::string& text) {
    std::unordered_map<std::string, std::string> fields;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (const auto eq = line.find('='); eq != std::string::npos)
            fields[line.substr(0, eq)] = line.substr(eq + 1);
        at = end + 1;
    }
    return fields;
}

bool Ready() {
#ifdef RQ50_HAVE_SODIUM
    static const bool ready = sodium_init() >= 0;
    return ready;
#else
    return false;
#endif
}

}  // namespace

bool SigningAvailable() {
    return Ready();
}

std::string SigningKey::Id() const {
    return KeyIdOf(publicKey);
}

std::string KeyIdOf(const std::string& publicKey) {
    const auto bytes = Bytes(publicKey, kPublicBytes);
    return bytes ? Sha256Hex(*bytes).substr(0, 16) : std::string();
}

std::optional<SigningKey> NewSigningKey(const std::string& user) {
    if (!Ready()) return std::nullopt;
#ifdef RQ50_HAVE_SODIUM
    std::uint8_t pk[crypto_sign_PUBLICKEYBYTES];
    SigningKey key;
    key.user = user;
    key.secret.resize(crypto_sign_SECRETKEYBYTES);
    crypto_sign_keypair(pk, key.secret.data());
    key.publicKey = Hex(pk, sizeof pk);
    return key;
#else
    (void)user;
    return std::nullopt;
#endif
}

std::string SignChainHash(const SigningKey& key, const std::string& chainHash) {
    if (!Ready() || key.secret.size() != kSecretBytes) return {};
#ifdef RQ50_HAVE_SODIUM
    std::uint8_t signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr,
                         reinterpret_cast<const std::uint8_t*>(chainHash.data()), chainHash.size(),
                         key.secret.data());
    return Hex(signature, sizeof signature);
#else
    (void)chainHash;
    return {};
#endif
}

SignatureCheck CheckSignature(const std::string& publicKey, const std::string& chainHash,
                              const std::string& signature) {
    if (!Ready()) return SignatureCheck::kNotCheckable;
    const auto pk = Bytes(publicKey, kPublicBytes);
    const auto sig = Bytes(signature, kSignatureBytes);
    if (!pk || !sig) return SignatureCheck::kWrong;
#ifdef RQ50_HAVE_SODIUM
    return crypto_sign_verify_detached(sig->data(),
                                       reinterpret_cast<const std::uint8_t*>(chainHash.data()),
                                       chainHash.size(), pk->data()) == 0
               ? SignatureCheck::kGood
               : SignatureCheck::kWrong;
#else
    (void)chainHash;
    return SignatureCheck::kNotCheckable;
#endif
}

fs::path KeyFileIn(const fs::path& user) {
    return user / "REGISTER-KEY" / "signing.key";
}

fs::path PublicKeyFileOf(const fs::path& keyFile) {
    return fs::path(keyFile).replace_extension(".pub");
}

std::string PublicKeyText(const SigningKey& key) {
    return std::string(kPublicMagic) + "\nuser=" + key.user + "\nkey=" + key.publicKey + "\n";
}

std::optional<std::string> PublicKeyFrom(const std::string& text) {
    auto fields = Fields(text);
    std::string key = text.rfind(kPublicMagic, 0) == 0 ? fields["key"] : text;
    while (!key.empty() && std::isspace(static_cast<unsigned char>(key.back()))) key.pop_back();
    if (!Bytes(key, kPublicBytes)) return std::nullopt;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return key;
}

std::string WriteKeyFile(const fs::path& file, const SigningKey& key) {
    namespace platform = shell::platform;
    std::error_code ec;
    if (fs::create_directories(file.parent_path(), ec)) shell::KeepPrivate(file.parent_path());
    platform::OpenFile out;
    if (const int error = platform::CreatePrivateFile(file, out); error != 0) {
        return platform::Utf8FromPath(file) +
               (error == EEXIST ? " exists already; it is never replaced"
                                : " cannot be made: " + std::string(std::strerror(error)));
    }
    const std::string text = std::string(kKeyMagic) + "\nuser=" + key.user +
                             "\npublic=" + key.publicKey +
                             "\nsecret=" + Hex(key.secret.data(), key.secret.size()) + "\n";
    int error = out.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (error == 0) error = out.Sync();
    if (const int closed = out.Close(); error == 0) error = closed;
    if (error != 0) {
        fs::remove(file, ec);
        return platform::Utf8FromPath(file) + " was not written: " + std::strerror(error);
    }
    const std::string pub = PublicKeyText(key);
    const auto path = platform::Utf8FromPath(PublicKeyFileOf(file));
    if (files::ReplaceFileContents(
            path, std::span(reinterpret_cast<const std::uint8_t*>(pub.data()), pub.size())) !=
        files::FileError::Ok) {
        return path + " (the public key) was not written";
    }
    return {};
}

std::optional<SigningKey> ReadKeyFile(const fs::path& file) {
    files::Bytes bytes;
    if (files::ReadWholeFile(shell::platform::Utf8FromPath(file), bytes) != files::FileError::Ok)
        return std::nullopt;
    const std::string text(bytes.begin(), bytes.end());
    if (text.rfind(std::string(kKeyMagic) + "\n", 0) != 0) return std::nullopt;
    auto fields = Fields(text);
    const auto secret = Bytes(fields["secret"], kSecretBytes);
    const auto pub = PublicKeyFrom(fields["public"]);
    // Ed25519's secret key ends with its public key.
    if (!secret || !pub || Hex(secret->data() + 32, 32) != *pub || fields["user"].empty())
        return std::nullopt;
    return SigningKey{fields["user"], *pub, *secret};
}

SignatureReport CheckSignatures(const std::vector<ChainLink>& links,
                                const std::vector<KnownKey>& keys) {
    SignatureReport report;
    std::unordered_map<std::string, const KnownKey*> byId;
    for (const auto& k : keys) byId.emplace(k.id, &k);
    for (const auto& r : links) {
        if (r.signature.empty() && r.signer.empty()) continue;
        ++report.signedRecords;
        const std::string name = "record " + std::to_string(r.id);
        const auto it = byId.find(r.signer);
        if (it == byId.end()) {
            report.findings.push_back(
                {ChainFinding::Kind::kUnknownKey, r.id, r.sequence,
                 name + " is signed with key " + r.signer +
                     ", which the register does not know: it was signed outside RQ50 or the "
                     "key was never registered (register keygen, register trust)"});
            continue;
        }
        const KnownKey& key = *it->second;
        if (key.user != r.user) {
            report.findings.push_back({ChainFinding::Kind::kOtherUsersKey, r.id, r.sequence,
                                       name + " of user " + r.user + " is signed with key " +
                                           key.id + " of user " + key.user});
            continue;
        }
        switch (CheckSignature(key.publicKey, r.chainHash, r.signature)) {
            case SignatureCheck::kGood:
                break;
            case SignatureCheck::kNotCheckable:
                ++report.notCheckable;
                break;
            case SignatureCheck::kWrong:
                report.findings.push_back({ChainFinding::Kind::kBadSignature, r.id, r.sequence,
                                           name + "'s signature is not key " + key.id +
                                               "'s over its chain hash: the "
                                               "signature or the chain hash was changed"});
                break;
        }
    }
    return report;
}

}  // namespace rq50::plant
