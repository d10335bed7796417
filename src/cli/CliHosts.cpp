#include "cli/CliHosts.h"

#include "cli/CliSupport.h"
#include "files/Workspace.h"
#include "shell/Clock.h"
#include "shell/FileSystemUtility.h"

#include <iostream>

namespace rq50::cli {

shell::MsgAnswer CliMessageHost::Show(const shell::MessageBoxRequest& box) {
    ++m_count;
    m_lastTitle = box.title;
    EndProgressLine();
    std::cerr << (rewrite ? rewrite(box.text) : box.text) << "\n";
    switch (box.buttons) {
        case shell::MsgButtons::YesNo:
        case shell::MsgButtons::YesNoCancel:
            return shell::MsgAnswer::Yes;
        case shell::MsgButtons::AbortRetryIgnore:
            return shell::MsgAnswer::Ignore;
        case shell::MsgButtons::RetryCancel:
            return shell::MsgAnswer::Cancel;
        default:
            return shell::MsgAnswer::Ok;
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
