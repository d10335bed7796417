#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "session/Vocabulary.h"
#include "shell/NavigationHost.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::session {

/// Items of the port menu, by the code passed to the shared routines.
enum class PortMenuItem : int {
    Com1 = 10,
    Com2 = 20,
    Com3 = 30,
    Com4 = 40,
};

/// The port menu's items, COM1 to COM4.
inline constexpr PortMenuItem kPortMenuItems[] = {PortMenuItem::Com1, PortMenuItem::Com2,
                                                  PortMenuItem::Com3, PortMenuItem::Com4};
/// The port number (1-4) an item stands for.
constexpr int ComPortOf(PortMenuItem item) { return static_cast<int>(item) / 10; }

/// Items of the hidden Command menu, by the code passed to the shared routines.
enum class CommandMenuItem : int {
    MaintMode = 10,
    Monitor = 20,
    LogFile = 30,
};


/// Mouse buttons and the shift state as the unlock gesture sees them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kShiftCtrlAlt = 7;

/// The one-letter code that unlocks the hidden Command menu (either case).
inline constexpr char kCommandMenuCode = 'Q';

/// The standard menus of one screen as the shared menu routines see them.
/// Screens without one of the side effects keep the empty defaults.
class MenuScreen {
  public:
    virtual ~MenuScreen() = default;
    /// The Command menu shown and enabled (or hidden).
    virtual void SetCommandMenuVisible(bool visible) = 0;
    /// Check mark of Command item 10, 20 or 30.
    virtual void SetCommandMark(CommandMenuItem item, bool checked) = 0;
    /// Check mark of Serial Port item 10..40.
    virtual void SetPortMark(PortMenuItem item, bool checked) = 0;
    /// The Serial Port item of the device the session was started on
    /// (--port), shown checked; an empty device hides it.
    virtual void SetSessionPortItem(const std::string& device) { (void)device; }
    /// MAINT Mode switched: the category menu shows or hides its MAINT
    /// option, the print dialog its MAINT area.
    virtual void OnMaintModeChanged(bool on) { (void)on; }
    /// Communication Monitor switched: the parameter screen shows or hides
    /// its monitor frame.
    virtual void OnMonitorChanged(bool on) { (void)on; }
};

/// The hidden Command menu's gesture: with the right button and Shift, Ctrl
/// and Alt held, asks "Enter password." and unlocks the menu for the rest of
/// the run when the answer is the one-letter code. 0 when unlocked now, -1
/// otherwise (nothing changed).
std::int16_t UnlockCommandMenu(Workspace& ws, int button, int shift);

/// Run when a screen that carries the Command menu becomes active: once
/// unlocked, the menu is shown with marks for the flags that are on (marks
/// are only set here, never cleared).
std::int16_t ShowCommandMenuMarks(Workspace& ws, MenuScreen& screen);

/// Marks the Serial Port item of the port in use and clears the others: the
/// session's device (--port) when one is set, else COM1-COM4 by ComPort.
void MarkPortInUse(Workspace& ws, MenuScreen& screen);

/// A Serial Port item chosen: marks it, sets ComPort and stores "COMPORT".
/// The session's device is left: the next job opens the COMn chosen.
std::int16_t ChoosePortItem(Workspace& ws, MenuScreen& screen, PortMenuItem item);

/// A serial port the system reports, as "Port Device..." lists it.
struct PortInfo {
    std::string device;       ///< the path to open (/dev/ttyUSB0, COM5)
    std::string description;  ///< what the system calls it; may be empty
};

/// One line of the port list: the device and the text shown for it.
struct PortChoice {
    std::string device;
    std::string label;
};

/// The list "Port Device..." offers: every port the system reports, the
/// device in use (`inUse`) even when the system does not report it, and the
/// ports chosen lately (`recent`: device servers, devices now unplugged);
/// each label is the device, its description, and a mark on the one in use.
/// Returns the list and sets `current` to the index of the one in use.
std::vector<PortChoice> PortChoices(const std::vector<PortInfo>& available,
                                    const std::string& inUse, int& current,
                                    const std::vector<std::string>& recent = {});

/// The ports chosen lately, the latest first (setting "RecentPorts").
std::vector<std::string> RecentPorts(const Workspace& ws);

/// The device a line of the list, or a typed path, stands for (empty when
/// nothing but blanks was typed).
std::string DeviceOfChoice(const std::vector<PortChoice>& choices, const std::string& text);

/// "Port Device..." answered with `device` (a device or a tcp:// or
/// rfc2217:// URL): the device the next job opens, remembered among the
/// recent ports. A session started on a device (--port) goes on with the new
/// one; otherwise it becomes the stored device of the chosen COMn
/// ("COMnDevice"). A malformed URL changes nothing and is shown with its
/// reason; false then, and when nothing was typed.
bool UsePortDevice(Workspace& ws, const std::string& device);

/// A Command item chosen: toggles MAINT Mode, Communication Monitor or Create
/// Log File with its mark and side effects; other items change nothing.
std::int16_t ToggleCommandItem(Workspace& ws, MenuScreen& screen, CommandMenuItem item);

/// "Fast Communication" of the Communication Settings menu: switches the
/// engine between classic and fast pacing for the next jobs and stores the
/// choice (settings "FASTCOMM" 0/1). Returns the new state.
bool ToggleFastCommunication(Workspace& ws);
bool FastCommunicationOn(Workspace& ws);
/// Start-up: the stored choice, with its gap ("FASTCOMMGAP", ms, default 20).
void ApplyStoredPacing(Workspace& ws);

/// File/Exit: message 24 when the instrument was left at 9600 bit/s (Yes
/// keeps the program), then the quit question (message 25). True when the
/// program is to end (the undo folder has been removed).
bool FileExit(Workspace& ws);

/// What an exit request came to.
enum class ExitOutcome {
    Stay,    ///< the program keeps running, the screen as it was
    Quit,    ///< the program is to end now (the undo folder has been removed)
    Saving,  ///< the save is under way; the information window asks to quit
};

/// Every way out of the program (File/Exit of any screen, the main window's
/// close box), from the screen `from`: refused without a word while a job
/// runs; message 24 at 9600 bit/s; then unsaved work is offered for saving,
/// as leaving its screen does: uploaded or changed parameter data while the
/// data view holds it (message 9), a modified program while the editor holds
/// it (message 12). Cancel stays; Yes runs the save dialog and the
/// information window (purpose 8), which writes the file and then asks the
/// quit question, giving `from` back when the user stays; No, or nothing
/// unsaved, asks the quit question (message 25).
ExitOutcome ExitProgram(Workspace& ws, Screen from);

/// What the main window does with a close request.
enum class CloseDecision {
    Cancel,  ///< the program keeps running (or a save before quitting is under way)
    Quit,    ///< the program ends
};

/// The main window's close request. `busy` is CommBusy; `activeExitEnabled`
/// tells whether the active screen exists with its File/Exit enabled;
/// `active` is that screen, from which the exit runs (ExitProgram).
CloseDecision MainWindowQueryUnload(Workspace& ws, bool busy, bool activeExitEnabled,
                                    Screen active);

/// The screen that CurrentScreenId names (the one the Baud Rate command
/// disables while the baud-rate dialog is open).
Screen ScreenOfCurrentId(Workspace& ws);

/// The shared handler of the File, Communication Settings and Help items.
/// Code 22 ends the program through the navigation host unless message 24
/// keeps it. Code 1 (save, then quit) gives back the screen CurrentScreenId
/// names when the user stays.
void MenuCommand(Workspace& ws, MenuCommandCode code);

}  // namespace rq50::session
