#pragma once

#include "shell/MessageBoxHost.h"
#include "shell/Services.h"

#include <functional>
#include <memory>
#include <string>

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::cli {

/// Message boxes of a headless run: the text goes to stderr, and the box is
/// answered at once the way that lets the operation go on (OK, Yes; Ignore for
/// Abort/Retry/Ignore, Cancel for Retry/Cancel so that nothing loops).
class CliMessageHost : public shell::MessageBoxHost {
  public:
    shell::MsgAnswer Show(const shell::MessageBoxRequest& box) override;
    /// Boxes shown so far.
    int Count() const { return m_count; }
    /// Title of the last box shown.
    const std::string& LastTitle() const { return m_lastTitle; }
    /// Lets a command say more than a box's text: it gets the text and
    /// returns what is printed instead.
    std::function<std::string(const std::string&)> rewrite;

  private:
    int m_count = 0;
    std::string m_lastTitle;
};

/// Installs the command line's services (message host, file-system utility,
/// steady clock) into the session's workspace for the lifetime of the object
/// and puts the previous ones back afterwards.
class CliServices {
  public:
    explicit CliServices(files::Workspace& ws);
    ~CliServices();
    CliServices(const CliServices&) = delete;
    CliServices& operator=(const CliServices&) = delete;

    /// Number of system messages printed so far.
    int MessagesShown() const { return m_messages.Count(); }
    CliMessageHost& Messages() { return m_messages; }

  private:
    struct Owned;
    files::Workspace& m_ws;
    CliMessageHost m_messages;
    std::unique_ptr<Owned> m_owned;
    shell::Services m_saved;
};

}  // namespace rq50::cli
