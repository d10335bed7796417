#include "parameter/OnlinePage.h"

#include "comm/jobs/Jobs.h"

namespace rq50::parameter {

OnlinePage::~OnlinePage() {
    Drop();
}

PageModel& OnlinePage::New(PageCategory category) {
    Drop();
    m_page = std::make_unique<PageModel>(category);
    comm::jobs::AttachPageModel(m_page.get());
    return *m_page;
}

void OnlinePage::Drop() {
    if (!m_page) return;
    if (comm::jobs::OnlinePage() == m_page.get()) comm::jobs::AttachPageModel(nullptr);
    m_page.reset();
}

}  // namespace rq50::parameter
