#include "session/OnlinePage.h"

#include "shell/MessageBoxHost.h"

#include <string>

#include "comm/Engine.h"
#include "files/Backup.h"
#include "files/FileError.h"
#include "files/RecordFile.h"
#include "files/SaveTarget.h"
#include "files/Workspace.h"
#include "session/FileDialog.h"
#include "shell/Catalogue.h"
#include "shell/NavigationHost.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/SettingsStore.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

namespace rq50::session {

using namespace rq50::parameter;

namespace {
constexpr const char* kIntervalKey = "READINTERVAL";
}

OnlinePage::~OnlinePage() {
    Drop();
}

PageModel& OnlinePage::New(PageCategory category) {
    Drop();
    // The caption says what is being worked on: the instrument online, not
    // a file opened before.
    auto& state = m_ws.state;
    const std::string model = shell::Trim(m_ws.Engine().LastInstrument().model);
    state.mainCaption = shell::Catalogue(kTextModelTitle) + state.captionOpen + "Online" +
                        (model.empty() ? "" : " " + model) + state.captionClose;
    if (m_ws.hosts.navigation != nullptr) m_ws.hosts.navigation->SetMainCaption(state.mainCaption);
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

bool OnlinePage::ExportCsv(session::FileDialogHost& dialog) {
    const std::string csv = m_trend.Csv();
    return Export(dialog, true, {reinterpret_cast<const std::uint8_t*>(csv.data()), csv.size()});
}

bool OnlinePage::ExportImage(session::FileDialogHost& dialog, std::span<const std::uint8_t> png) {
    return Export(dialog, false, png);
}

std::string OnlinePage::TrendTitle() const {
    std::string title;
    const auto add = [&title](const std::string& part) {
        const std::string text = shell::Trim(part);
        if (!text.empty()) title += (title.empty() ? "" : "  ") + text;
    };
    add(files::TagOf(m_ws.items.dataSet));
    const std::string model = shell::Trim(m_ws.Engine().LastInstrument().model);
    add(model.empty() ? m_ws.header.model : model);
    if (!m_trend.Empty()) {
        const auto when = [this](std::int64_t ms) {
            std::string text = m_trend.IsoTime(ms).substr(0, 16);  // 2026-12-08T14:03
            if (text.size() > 10) text[10] = ' ';
            return text;
        };
        add(when(m_trend.Samples().front().ms) + " - " +
            when(m_trend.Samples().back().ms).substr(11));
    }
    return title;
}

bool OnlinePage::Export(session::FileDialogHost& dialog, bool csv,
                        std::span<const std::uint8_t> bytes) {
    session::FileDialogSpec ask = session::FileDialogFor(m_ws, session::FileDialogMode::Csv);
    ask.title = shell::Catalogue(csv ? kTextTrendExportCsv : kTextTrendExportPng);
    std::erase(ask.title, '&');
    ask.filter = csv ? shell::Catalogue(kTextCsvFile) + "(*.csv)|*.csv"
                     : shell::Catalogue(kTextTrendPngFile) + "(*.png)|*.png";
    ask.defaultExt = csv ? "csv" : "png";
    if (!m_trend.Empty()) {
        // "2026-12-08T14:03:25.250" names the file "trend-20261208-140325".
        std::string name = "trend-";
        for (char c : m_trend.IsoTime(m_trend.Samples().front().ms).substr(0, 19)) {
            if (c == 'T') name += '-';
            if (c >= '0' && c <= '9') name += c;
        }
        ask.initialName = name + "." + ask.defaultExt;
    }
    const auto choice = dialog.Show(ask);
    if (!choice || choice->fileName.empty()) return false;
    // The dialog asked before replacing a file; a parameter file, a device or
    // a folder chosen by mistake is still refused.
    if (const auto problem = files::OutputTargetProblem(choice->fileName, {}, true);
        !problem.empty()) {
        if (m_ws.hosts.messages != nullptr) {
            shell::MessageBoxRequest box;
            box.text = problem;
            box.title = ask.title;
            box.icon = shell::MsgIcon::Exclamation;
            m_ws.hosts.messages->Show(box);
        }
        return false;
    }
    const auto error = files::ReplaceFileContents(choice->fileName, bytes);
    if (error == files::FileError::Ok) return true;
    files::ReportFileError(m_ws.hosts, error, ask.title);
    return false;
}

}  // namespace rq50::session
