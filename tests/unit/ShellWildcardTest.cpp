#include "shell/Wildcard.h"

#include <gtest/gtest.h>

namespace rq50::shell {
namespace {

struct Case {
    const char* text;
    const char* pattern;
    bool match;
};

TEST(WildcardMatch, PatternElements) {
    const Case cases[] = {
        {"RQK2", "RQK2", true},
        {"RQK2", "rqk2", false},
        {"RQK2", "RQK", false},
        {"RQK2", "RQ*", true},
        {"RQ", "RQ*", true},
        {"RQK2X", "RQK2*", true},
        {"XRQK2", "RQ*", false},
        {"RQK2", "*K2", true},
        {"RQK2", "*", true},
        {"", "*", true},
        {"", "", true},
        {"A", "", false},
        {"RQK2", "RQ?2", true},
        {"RQ2", "RQ?2", false},
        {"RQK2", "RQK#", true},
        {"RQKA", "RQK#", false},
        {"RQB2", "RQ[A-C]2", true},
        {"RQK2", "RQ[A-C]2", false},
        {"RQK2", "RQ[!A-C]2", true},
        {"RQB2", "RQ[!A-C]2", false},
        {"RQB2", "RQ[BK]2", true},
        {"RQ-2", "RQ[-]2", true},
        {"KP[1", "KP[1", true},
        {"AXBXC", "A*B*C", true},
        {"AXBXD", "A*B*C", false},
        {"ABCBC", "A*BC", true},
        {"RQ*2", "RQ[*]2", true},
        {"RQK2", "RQ[*]2", false},
        {"LW10", "LW##", true},
        {"LW1", "LW##", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WildcardMatch(c.text, c.pattern), c.match) << c.text << " vs " << c.pattern;
    }
}

}  // namespace
}  // namespace rq50::shell
