#include "gui/GuiCommHost.h"

#include "gui/QtHosts.h"
#include "gui/comm/CommunicatingDialog.h"
#include "gui/comm/SlotNumberDialog.h"
#include "gui/shell/MainWindow.h"

namespace rq50::gui {

void GuiCommHost::ShowProgress(int value) {
    if (auto* dialog =
            qobject_cast<CommunicatingDialog*>(m_main.FindScreen(shell::Screen::Communicating)))
        dialog->SetProgress(value);
}

void GuiCommHost::CloseCommDialog() {
    SlotNumberDialog::TakePresetSlot(m_ws);
    m_main.UnloadScreen(shell::Screen::Communicating);
}

std::optional<int> GuiCommHost::AskSlot() {
    if (auto preset = SlotNumberDialog::TakePresetSlot(m_ws)) return preset;
    return SlotNumberDialog::Ask(m_ws, &m_main);
}

void GuiCommHost::ShowMonitorText(bool sent, const std::string& text) {
    if (monitorRows) monitorRows(sent, text);
}

void GuiCommHost::ShowStatusText(const std::string& text) {
    m_main.SetStatusText(Text(text));
}

void GuiCommHost::SetBusyPointer(bool busy) {
    // The engine says on or off (on again while its port stays open): one
    // hold at most, among the program's other holders.
    if (busy == m_holdsBusyPointer) return;
    m_holdsBusyPointer = busy;
    if (busy) {
        m_main.Busy().Hold();
    } else {
        m_main.Busy().Release();
    }
}

}  // namespace rq50::gui
