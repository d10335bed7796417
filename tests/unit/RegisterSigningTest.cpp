// The checks of register verify on signed records as the register returns
// them: in a build with libsodium each signature is checked, in one without
// it the signed records are counted as not checkable rather than passed; a
// key the register does not know, or another user's, is named in either.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "register/Signing.h"

namespace rq50::plant {
namespace {

TEST(RegisterSigning, EachSignedRecordIsCheckedOrCountedAsNotCheckable) {
    ChainLink r;
    r.id = 7;
    r.sequence = 7;
    r.user = "anna";
    r.chainHash = std::string(64, 'a');
    const auto key = NewSigningKey("anna");
    EXPECT_EQ(key.has_value(), SigningAvailable());
    const std::string pub = key ? key->publicKey : std::string(64, '1');
    r.signer = KeyIdOf(pub);
    r.signature = key ? SignChainHash(*key, r.chainHash) : std::string(128, '0');
    const std::vector<KnownKey> keys{{r.signer, "anna", pub}};

    auto report = CheckSignatures({r}, keys);
    EXPECT_EQ(report.signedRecords, 1);
    EXPECT_TRUE(report.findings.empty());
    EXPECT_EQ(report.notCheckable, SigningAvailable() ? 0 : 1);

    using K = ChainFinding::Kind;
    auto other = keys;
    other[0].user = "ben";
    ChainLink forged = r;
    forged.chainHash = std::string(64, 'b');
    const std::vector<std::tuple<ChainLink, std::vector<KnownKey>, K>> cases = {
        {r, {}, K::kUnknownKey},
        {r, other, K::kOtherUsersKey},
        {forged, keys, K::kBadSignature},
    };
    for (const auto& [link, known, kind] : cases) {
        report = CheckSignatures({link}, known);
        if (kind == K::kBadSignature && !SigningAvailable()) {
            EXPECT_EQ(report.notCheckable, 1);
            continue;
        }
        ASSERT_EQ(report.findings.size(), 1u) << FindingName(kind);
        EXPECT_EQ(report.findings[0].kind, kind);
        EXPECT_EQ(report.findings[0].id, 7);
    }
}

}  // namespace
}  // namespace rq50::plant
