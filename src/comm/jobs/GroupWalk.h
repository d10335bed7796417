#pragma once

// The rule that walks a category group by group and item by item, and that
// makes every walk end, whatever the instrument answers.

namespace rq50::comm::jobs {

/// Groups a category can have and items a group can have: the address fields
/// carry 6 bits each. A walk that goes on past these bounds is answered by an
/// instrument that never ends a group or a category, and is stopped.
constexpr int kMaxGroups = 63;
constexpr int kMaxItemsPerGroup = 64;

/// What an answer means for the walk, and so which request comes next.
enum class WalkStep {
    Item,           ///< an item of the group: ask 84h from it
    GroupEnd,       ///< the group has ended: ask 82h for the next group
    Group,          ///< the head of another group of the category: ask 84h from it
    CategoryDone,   ///< 82h left the category: every group has been walked
    BoundExceeded,  ///< more items or groups than addresses allow
};

/// A walk of one category. A group ends when 84h answers the group's first
/// item again (the instrument wraps around) or the item asked from (it stays
/// on the last item); a head whose 84h answers the head again has no items.
/// The category ends when 82h answers a head at the category's own start
/// (every group seen) or at the next category's start.
class GroupWalk {
  public:
    /// Starts at the head of the category's first group. `nextStart` is the
    /// first MA of the category 82h reaches after this one's last group.
    void Start(int ownStart, int nextStart, int headMa, int headMb);

    /// The answer to 84h from the current item (or head).
    WalkStep NextItem(int ma, int mb);
    /// The answer to 82h from the current group.
    WalkStep NextGroup(int ma, int mb);

    /// The address the next request asks from; after the end of a group, its
    /// last item.
    int Ma() const { return m_ma; }
    int Mb() const { return m_mb; }
    /// True until the first 84h of the current group has been answered.
    bool AtHead() const { return m_atHead; }
    /// The last 84h answer was the first of its group (asked from the head).
    bool FromHead() const { return m_fromHead; }

  private:
    int m_ownStart = 0;
    int m_nextStart = 0;
    int m_ma = 0;
    int m_mb = 0;
    int m_firstMb = 0;
    int m_items = 0;
    int m_groups = 0;
    bool m_atHead = false;
    bool m_fromHead = false;
};

}  // namespace rq50::comm::jobs
