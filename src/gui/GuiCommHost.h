#pragma once

#include <functional>

#include "comm/Engine.h"

namespace rq50::gui {

class MainWindow;

/// The engine's view of the screens: the "Now Communicating" dialog, the
/// SLOT No. dialog, the status bar, the busy pointer and the monitor rows.
class GuiCommHost : public comm::CommHost {
  public:
    GuiCommHost(files::Workspace& ws, MainWindow& main) : m_ws(ws), m_main(main) {}

    void ShowProgress(int value) override;
    void CloseCommDialog() override;
    std::optional<int> AskSlot() override;
    void ShowMonitorText(bool sent, const std::string& text) override;
    void ShowStatusText(const std::string& text) override;
    void SetBusyPointer(bool busy) override;

    /// The parameter screen installs its monitor rows here while it is open.
    std::function<void(bool sent, const std::string& text)> monitorRows;

  private:
    files::Workspace& m_ws;
    MainWindow& m_main;
    bool m_holdsBusyPointer = false;
};

}  // namespace rq50::gui
