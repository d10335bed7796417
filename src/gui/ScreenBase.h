#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QList>
#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <array>
#include <string>
#include <string_view>
#include <utility>

#include "comm/Engine.h"
#include "files/Workspace.h"
#include "session/Menus.h"
#include "session/Quit.h"
#include "shell/NavigationHost.h"
#include "shell/Services.h"

namespace rq50::gui {

/// The standard menus every screen carries: File (Exit at index 10),
/// Communication Settings (Serial Port with COM1-COM4 and the device of the
/// port, Baud Rate, Slot No.), Help (Version Information) and the hidden
/// Command menu. The owning screen decides what each item does.
class StandardMenus : public QObject {
    Q_OBJECT
  public:
    explicit StandardMenus(QWidget* owner);

    QMenu* mnuFile;
    QAction* mnuFileExit;  ///< mnuFileitems(10)
    QMenu* mnuPort;
    QMenu* mnuPortSerial;                ///< mnuPortItems(10)
    std::array<QAction*, 4> mnuPortCom;  ///< mnuPortItemsCom(10..40)
    QAction* mnuPortSession;             ///< the device of --port, while in use
    QAction* mnuPortDevice;              ///< the device that serves the chosen COMn
    QAction* mnuPortBaud;                ///< mnuPortItems(20)
    QAction* mnuPortSlot;                ///< mnuPortItems(30)
    QAction* mnuPortFast;                ///< Fast Communication (checkable)
    QAction* mnuPortBackup;              ///< Backup before Download (checkable)
    QMenu* mnuHelp;
    QAction* mnuHelpVersion;  ///< mnuHelpItems(10)
    QMenu* mnuCommand;
    QAction* mnuMaintMode;  ///< mnuCommandItems(10)
    QAction* mnuMonitor;    ///< mnuCommandItems(20): Communication Monitor
    QAction* mnuLogFile;    ///< mnuCommandItems(30): Create Log File

    /// The Command item of index 10, 20 or 30; nullptr for others.
    QAction* CommandItem(session::CommandMenuItem item) const;
    /// The Serial Port item of index 10..40; nullptr for others.
    QAction* PortItem(session::PortMenuItem item) const;
};

/// A screen of the chain, shown as a sub-window of the main window. Its menus
/// become the main window's menu bar while it is the active screen. Slots of
/// a screen call the core and redraw from the core's state.
class ScreenBase : public QWidget, public session::MenuScreen {
    Q_OBJECT
  public:
    /// `ws`: the workspace of the program's session, which outlives the
    /// screen.
    ScreenBase(shell::Screen id, files::Workspace& ws, QWidget* parent = nullptr);

    shell::Screen Id() const { return m_id; }
    /// The session's workspace, which the screen shows.
    files::Workspace& Ws() const { return m_ws; }
    /// The screen's menus in menu-bar order.
    const QList<QMenu*>& Menus() const { return m_menus; }
    StandardMenus& Std() { return *m_std; }
    /// File/Exit enabled: the main window's close request is considered.
    virtual bool ExitEnabled() const;
    /// The screen became the active one (marks of the Command menu).
    virtual void Activated();
    /// Load step, run once the screen sits in its sub-window.
    virtual void Load() {}
    /// Unload step, run before the screen is destroyed.
    virtual void Unload() {}
    /// Hands the edits the screen still holds to the core before its data is
    /// saved (the program editor writes its grids back).
    virtual void CommitEdits() {}
    /// The Password items changed ("Set..." and "Change..." enabled or not);
    /// the screen that carries them follows.
    virtual void OnPasswordMenu(bool setEnabled, bool changeEnabled) {
        (void)setEnabled;
        (void)changeEnabled;
    }

    // MenuScreen
    void SetCommandMenuVisible(bool visible) override;
    void SetCommandMark(session::CommandMenuItem item, bool checked) override;
    void SetPortMark(session::PortMenuItem item, bool checked) override;
    void SetSessionPortItem(const std::string& device) override;

    /// The trap label of the screen's `handler` (TrapLabel with the screen's
    /// trap code).
    std::string LabelOf(std::string_view handler) const;

  protected:
    /// The session's engine, whose jobs the screen starts.
    comm::CommEngine& Engine() const { return m_ws.Engine(); }
    /// The front end's navigation; nullptr in a session without one.
    shell::NavigationHost* Nav() const { return m_ws.hosts.navigation; }
    /// Runs `slot` whenever `sender` emits `signal`, under the error trap of
    /// the screen's `handler` (see LabelOf).
    template <typename Sender, typename Signal, typename Slot>
    void OnSignal(Sender* sender, Signal signal, std::string_view handler, Slot slot);
    /// Runs `body` now under the error trap of the screen's `handler`.
    template <typename Body>
    void Trapped(std::string_view handler, Body&& body) const;

    /// Builds File, Communication Settings, Help and Command (in that order)
    /// and wires their common behaviour; `extra` menus follow Help.
    void SetMenus(const QList<QMenu*>& extra = {});
    /// The screen offers the hidden Command menu's unlock gesture (right
    /// button with Shift, Ctrl and Alt anywhere on the screen).
    void OfferCommandMenuUnlock() { m_unlockGesture = true; }
    void TryUnlockCommandMenu(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    /// The screen answers Communication Settings > Baud Rate (OnBaudRate);
    /// on other screens the item is disabled.
    void OfferBaudRate();
    /// Escape anywhere on the screen presses `button` (its Close or Cancel).
    void SetEscapeButton(QAbstractButton* button);
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    // Handlers of the standard items; the defaults are the shared routines.
    virtual void OnFileExit();
    virtual void OnBaudRate() {}
    virtual void OnSlotNo();
    virtual void OnVersion();

  private:
    /// OnSignal under the trap named `label`.
    template <typename Sender, typename Signal, typename Slot>
    void OnSignalLabelled(Sender* sender, Signal signal, std::string label, Slot slot);
    void ChoosePortDevice();

    shell::Screen m_id;
    files::Workspace& m_ws;
    StandardMenus* m_std = nullptr;
    session::Quit m_quit;
    QList<QMenu*> m_menus;
    bool m_unlockGesture = false;
    QPointer<QAbstractButton> m_escapeButton;
};

/// Runs a slot's body under the routine error trap: an exception becomes
/// the critical box "<label>_ERR" with its description, and the program goes
/// on.
template <typename Body>
void Trap(const shell::Services& hosts, const std::string& label, Body&& body);

void ShowTrapped(const shell::Services& hosts, const std::string& label, const char* description);

/// The label an error trap shows for `handler` of the window with trap code
/// `code`: "RQ2300_cmdWrite_Click" for an event of a control or of the form,
/// "RQ2300fnc_nSelectShowType" for a routine of the form ("fnc_", "sub_");
/// the handler alone for an empty code (the standard menus, the main window).
std::string TrapLabel(std::string_view code, std::string_view handler);

/// The trap code of a window: its object name without the "frm" of a form
/// ("frmRQ2300": "RQ2300"; "PlantRegister").
std::string TrapCode(const QObject& window);

/// Gives every push button under `root` whose caption has no mnemonic one of
/// its own: the first free letter of a word's start, else of the caption.
/// Letters in `taken` (the menu bar's) and those of other buttons are not
/// used. A button's accessible name stays its caption without the mark.
void AddMnemonics(QWidget* root, const QString& taken = {});

/// Gives each control the accessible name of its caption (without the
/// mnemonic mark and the blanks around it).
void NameByCaption(const QList<QWidget*>& controls);

/// The mnemonic letters of the screen's menus, in upper case ("FSHC").
QString MenuMnemonics(const QList<QMenu*>& menus);

template <typename Body>
void Trap(const shell::Services& hosts, const std::string& label, Body&& body) {
    try {
        body();
    } catch (const std::exception& e) {
        ShowTrapped(hosts, label, e.what());
    } catch (...) {
        ShowTrapped(hosts, label, "unknown error");
    }
}

template <typename Sender, typename Signal, typename Slot>
void ScreenBase::OnSignal(Sender* sender, Signal signal, std::string_view handler, Slot slot) {
    OnSignalLabelled(sender, signal, LabelOf(handler), std::move(slot));
}

template <typename Sender, typename Signal, typename Slot>
void ScreenBase::OnSignalLabelled(Sender* sender, Signal signal, std::string label, Slot slot) {
    connect(sender, signal, this,
            [this, label = std::move(label), slot] { Trap(Ws().hosts, label, slot); });
}

template <typename Body>
void ScreenBase::Trapped(std::string_view handler, Body&& body) const {
    Trap(Ws().hosts, LabelOf(handler), std::forward<Body>(body));
}

}  // namespace rq50::gui
