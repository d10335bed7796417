#pragma once

#include <string>

namespace rq50::shell {

/// The screens of the chain, named for what they show. ScreenName gives the
/// window's object name, which is also its settings key.
enum class Screen {
    Version,          ///< version information (modal)
    TopMenu,          ///< top menu
    SettingMenu,      ///< setting menu
    CategoryMenu,     ///< category menu
    OnlineParameter,  ///< parameter screen
    DataView,         ///< parameter data view
    ContentList,      ///< content list
    Information,      ///< information record window
    DownloadCheck,    ///< download check
    PrintDialog,      ///< print dialog
    PrintPreview,     ///< print preview
    ProgramEditor,    ///< program editor
    ErrorList,        ///< command-check error list
    Communicating,    ///< "Now Communicating" progress dialog
    SlotNumber,       ///< SLOT No. dialog (modal)
    BaudRate,         ///< baud-rate dialog
};

/// The window name of a screen ("frmRQ2300"), as used for settings keys.
const char* ScreenName(Screen screen);

/// What the navigation asks of the outside world. The GUI shows real windows,
/// the CLI runs its jobs headless, tests record the calls. Every call comes
/// from the user-interface thread, one at a time.
class NavigationHost {
  public:
    virtual ~NavigationHost() = default;

    /// Shows the screen without waiting (loading it first when it is not loaded).
    virtual void ShowScreen(Screen screen) = 0;
    /// Shows the screen modally; returns when it has been closed.
    virtual void ShowScreenAndWait(Screen screen) = 0;
    /// Enables or disables a loaded screen; a disabled screen cannot be used.
    /// Calls for a screen that is not loaded do nothing.
    virtual void EnableScreen(Screen screen) = 0;
    virtual void DisableScreen(Screen screen) = 0;
    /// Closes and destroys the screen (it saves its position on the way).
    virtual void UnloadScreen(Screen screen) = 0;
    /// Whether the screen is loaded (shown, or disabled under another).
    virtual bool IsLoaded(Screen screen) const {
        (void)screen;
        return false;
    }
    /// The loaded screens hand the edits they still hold to the core (the
    /// program editor writes its grids back), before the data is saved.
    virtual void CommitEdits() {}

    /// The open-file dialog: -1 when a file was chosen and read, 0 when it was
    /// cancelled or no name was chosen, 1 when it failed (a read that failed
    /// counts as failed, so the data shown before stays on screen).
    virtual int RunOpenDialog() = 0;
    /// The save-file dialog: -1 when a file name was accepted, 0 otherwise.
    virtual int RunSaveDialog() = 0;
    /// The CSV file dialog, which writes the CSV file: -1 done, 0 cancelled,
    /// 1 failed.
    virtual int RunCsvDialog() = 0;
    /// Prints the parameter report (SettingMode 0) or the program report (1)
    /// at once on the main window's print control.
    virtual void PrintReport() = 0;
    /// Prints the command-check error list on the main window's print control.
    virtual void PrintErrorList() = 0;

    /// The main window's caption changed (SetCurrentFile).
    virtual void SetMainCaption(const std::string& caption) { (void)caption; }
    /// The top menu's Password items: "Set..." and "Change..." enabled or not.
    virtual void SetPasswordMenu(bool setEnabled, bool changeEnabled) {
        (void)setEnabled;
        (void)changeEnabled;
    }
    /// The first panel of the status bar (a screen's hint; empty clears it).
    virtual void SetStatusText(const std::string& text) { (void)text; }
    /// Hourglass pointer on (true) or the normal pointer back (false).
    virtual void SetBusyPointer(bool busy) { (void)busy; }
    /// Lets pending window events run (between retries of a slow step).
    virtual void ProcessEvents() {}
    /// Ends the program (the quit path has already asked and cleaned up).
    virtual void EndProgram() {}
};

/// The hourglass pointer for as long as it lives (nothing without a host).
class BusyPointer {
  public:
    explicit BusyPointer(NavigationHost* navigation) : m_navigation(navigation) { Set(true); }
    ~BusyPointer() { Set(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

  private:
    void Set(bool busy) {
        if (m_navigation != nullptr) m_navigation->SetBusyPointer(busy);
    }
    NavigationHost* m_navigation;
};

}  // namespace rq50::shell
