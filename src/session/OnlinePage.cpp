#include "session/OnlinePage.h"

#include "comm/Engine.h"
#include "files/Workspace.h"
#include "shell/Services.h"

namespace rq50::parameter {

OnlinePage::~OnlinePage() {
    Drop();
}

PageModel& OnlinePage::New(PageCategory category) {
    Drop();
    m_page = std::make_unique<PageModel>(category, m_ws.hosts);
    // The session's engine fills the page its online jobs work on.
    if (comm::CommEngine* engine = m_ws.hosts.engine) engine->AttachPageModel(m_page.get());
    return *m_page;
}

void OnlinePage::Drop() {
    if (!m_page) return;
    // A workspace without an engine (a test) has no page attached.
    comm::CommEngine* engine = m_ws.hosts.engine;
    if (engine != nullptr && engine->OnlinePage() == m_page.get()) engine->AttachPageModel(nullptr);
    m_page.reset();
}

}  // namespace rq50::parameter
