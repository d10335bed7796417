#include "shell/AppPaths.h"

#include <gtest/gtest.h>

namespace rq50::shell {
namespace {

TEST(AppFilePath, JoinsFolderAndBackslashSubPaths) {
    const auto saved = AppFolder();
    SetAppFolder("/opt/rq50");
    EXPECT_EQ(AppFilePath("V3Model.ini"), "/opt/rq50/V3Model.ini");
    EXPECT_EQ(AppFilePath("User\\PARAMETER"), "/opt/rq50/User/PARAMETER");
    EXPECT_EQ(AppFilePath("Undo\\"), "/opt/rq50/Undo/");
    SetAppFolder("/opt/rq50/");
    EXPECT_EQ(AppFilePath("Setting.ini"), "/opt/rq50/Setting.ini");
    SetAppFolder(saved);
}

}  // namespace
}  // namespace rq50::shell
