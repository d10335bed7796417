#include "cli/CliHosts.h"

#include "cli/CliSupport.h"
#include "files/Workspace.h"
#include "shell/Clock.h"
#include "shell/FileSystemUtility.h"

#include <iostream>

namespace rq50::cli {

int CliMessageHost::Show(const shell::MessageBoxRequest& box) {
    ++m_count;
    m_lastTitle = box.title;
    EndProgressLine();
    std::cerr << (rewrite ? rewrite(box.text) : box.text) << "\n";
    switch (box.buttons) {
        case shell::kButtonsYesNo:
        case shell::kButtonsYesNoCancel:
            return shell::kAnswerYes;
        case shell::kButtonsAbortRetryIgnore:
            return shell::kAnswerIgnore;
        case shell::kButtonsRetryCancel:
            return shell::kAnswerCancel;
        default:
            return shell::kAnswerOk;
    }
}

struct CliServices::Owned {
    shell::SteadyClock clock;
    shell::FileSystemUtility utility{&clock};
};

CliServices::CliServices(files::Workspace& ws)
    : m_ws(ws), m_owned(std::make_unique<Owned>()), m_saved(ws.hosts) {
    auto& svc = ws.hosts;
    svc.messages = &m_messages;
    svc.utility = &m_owned->utility;
    if (svc.clock == nullptr) svc.clock = &m_owned->clock;
}

CliServices::~CliServices() {
    m_ws.hosts = m_saved;
}

}  // namespace rq50::cli
