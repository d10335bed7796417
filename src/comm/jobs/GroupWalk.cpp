#include "comm/jobs/GroupWalk.h"

namespace rq50::comm::jobs {

void GroupWalk::Start(int ownStart, int nextStart, int headMa, int headMb) {
    m_ownStart = ownStart;
    m_nextStart = nextStart;
    m_ma = headMa;
    m_mb = headMb;
    m_firstMb = 0;
    m_items = 0;
    m_groups = 1;
    m_atHead = true;
}

WalkStep GroupWalk::NextItem(int ma, int mb) {
    m_fromHead = m_atHead;
    if (m_atHead) {
        m_atHead = false;
        const bool headAgain = mb == m_mb;
        m_ma = ma;
        m_mb = mb;
        m_firstMb = mb;
        m_items = 1;
        return headAgain ? WalkStep::GroupEnd : WalkStep::Item;
    }
    if (mb == m_firstMb || mb == m_mb) return WalkStep::GroupEnd;
    if (++m_items > kMaxItemsPerGroup) return WalkStep::BoundExceeded;
    m_ma = ma;
    m_mb = mb;
    return WalkStep::Item;
}

WalkStep GroupWalk::NextGroup(int ma, int mb) {
    m_ma = ma;
    m_mb = mb;
    if (ma == m_ownStart || ma == m_nextStart) return WalkStep::CategoryDone;
    if (++m_groups > kMaxGroups) return WalkStep::BoundExceeded;
    m_atHead = true;
    return WalkStep::Group;
}

}  // namespace rq50::comm::jobs
