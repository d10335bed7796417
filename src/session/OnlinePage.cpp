#include "session/OnlinePage.h"

#include <string>

#include "comm/Engine.h"
#include "files/Workspace.h"
#include "shell/Services.h"
#include "shell/SettingsStore.h"

namespace rq50::parameter {

namespace {
constexpr const char* kIntervalKey = "READINTERVAL";
}

OnlinePage::~OnlinePage() {
    Drop();
}

PageModel& OnlinePage::New(PageCategory category) {
    Drop();
    m_page = std::make_unique<PageModel>(category, m_ws.hosts);
    m_trend = Trend{};
    if (m_ws.hosts.settings != nullptr) {
        if (const auto kept = m_ws.hosts.settings->Get(kIntervalKey)) {
            try {
                m_page->SetReadInterval(std::stoi(*kept));
            } catch (const std::exception&) {
                // A setting that is no number leaves the 5 s.
            }
        }
    }
    m_page->SetReadingObserver([this](bool read, std::int64_t atMs) {
        if (m_page) m_trend.Add(*m_page, read, atMs);
    });
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
    if (engine != nullptr) engine->ReleaseOnlineLine();
}

void OnlinePage::SetReadInterval(int ms) {
    if (m_page) m_page->SetReadInterval(ms);
    const int kept = m_page ? m_page->ReadIntervalMs() : ms;
    if (m_ws.hosts.settings != nullptr)
        m_ws.hosts.settings->Set(kIntervalKey, std::to_string(kept));
}

}  // namespace rq50::parameter
