#include "parameter/OnlinePage.h"

#include "comm/Engine.h"
#include "shell/Services.h"

namespace rq50::parameter {

OnlinePage::~OnlinePage() {
    Drop();
}

PageModel& OnlinePage::New(PageCategory category) {
    Drop();
    m_page = std::make_unique<PageModel>(category);
    // The session's engine fills the page its online jobs work on.
    if (comm::CommEngine* engine = shell::Svc().engine) engine->AttachPageModel(m_page.get());
    return *m_page;
}

void OnlinePage::Drop() {
    if (!m_page) return;
    // The page may outlive the session (the program's end).
    comm::CommEngine* engine = shell::Svc().engine;
    if (engine != nullptr && engine->OnlinePage() == m_page.get()) engine->AttachPageModel(nullptr);
    m_page.reset();
}

}  // namespace rq50::parameter
