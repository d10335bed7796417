#include "comm/jobs/GroupWalk.h"

#include <gtest/gtest.h>

namespace rq50::comm::jobs {
namespace {

/// SET is groups 3 and 4, ADJUST starts at 5: the walk starts at the head of
/// group 3.
GroupWalk SetCategory() {
    GroupWalk walk;
    walk.Start(3, 5, 3, 0);
    return walk;
}

TEST(GroupWalk, AGroupEndsWhenTheInstrumentWrapsOrStays) {
    for (const bool wraps : {true, false}) {
        GroupWalk walk = SetCategory();
        EXPECT_EQ(walk.NextItem(3, 1), WalkStep::Item);
        EXPECT_EQ(walk.NextItem(3, 2), WalkStep::Item);
        // Gaps in the numbering are items like any other.
        EXPECT_EQ(walk.NextItem(3, 5), WalkStep::Item);
        EXPECT_EQ(walk.Mb(), 5);
        EXPECT_EQ(walk.NextItem(3, wraps ? 1 : 5), WalkStep::GroupEnd) << wraps;
        EXPECT_EQ(walk.Ma(), 3) << "82h asks from the group just walked";
    }
}

TEST(GroupWalk, AHeadThatAnswersItselfHasNoItems) {
    GroupWalk walk = SetCategory();
    EXPECT_TRUE(walk.AtHead());
    EXPECT_EQ(walk.NextItem(3, 0), WalkStep::GroupEnd);
    EXPECT_FALSE(walk.AtHead());
}

TEST(GroupWalk, TheCategoryEndsAtTheNextCategoryOrBackAtItsOwnStart) {
    GroupWalk walk = SetCategory();
    walk.NextItem(3, 1);
    walk.NextItem(3, 1);
    EXPECT_EQ(walk.NextGroup(4, 0), WalkStep::Group);
    EXPECT_TRUE(walk.AtHead());
    EXPECT_EQ(walk.NextItem(4, 1), WalkStep::Item) << "the first item of the new group";
    EXPECT_EQ(walk.NextItem(4, 1), WalkStep::GroupEnd);
    EXPECT_EQ(walk.NextGroup(5, 0), WalkStep::CategoryDone);

    // The last category wraps around to DISPLAY, or (MAINT) to itself.
    GroupWalk maint;
    maint.Start(29, 1, 29, 0);
    EXPECT_EQ(maint.NextGroup(30, 0), WalkStep::Group);
    EXPECT_EQ(maint.NextGroup(29, 0), WalkStep::CategoryDone);
}

TEST(GroupWalk, AnInstrumentThatNeverEndsAWalkIsStopped) {
    GroupWalk items = SetCategory();
    // 84h keeps answering new numbers: 64 items are the most a group holds.
    int mb = 1;
    for (; mb <= kMaxItemsPerGroup; ++mb) ASSERT_EQ(items.NextItem(3, mb % 64), WalkStep::Item);
    EXPECT_EQ(items.NextItem(3, 2 + mb % 62), WalkStep::BoundExceeded);

    GroupWalk groups = SetCategory();
    // 82h never comes back: a category holds 63 groups at most.
    for (int group = 2; group <= kMaxGroups; ++group)
        ASSERT_EQ(groups.NextGroup(10 + group % 10, 0), WalkStep::Group) << group;
    EXPECT_EQ(groups.NextGroup(11, 0), WalkStep::BoundExceeded);
}

}  // namespace
}  // namespace rq50::comm::jobs
