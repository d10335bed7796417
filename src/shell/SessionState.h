#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/NavigationHost.h"

namespace rq50::shell {

/// Screen shown active for the Baud Rate command (`CurrentScreenId`).
enum class ScreenId : int {
    DataView = 0,
    SettingMenu = 1,
    CategoryMenu = 5,
    ProgramEditor = 7,
};

/// Modes of the password dialog.
enum class PasswordMode : int {
    Set = 0,     ///< set a new password
    Verify = 1,  ///< verify the current one before a change
    Entry = 2,   ///< enter the password before work
};

/// What the session works on: parameter settings or a program.
enum class SettingMode : std::int16_t {
    Parameter = 0,
    Program = 1,
};

/// Why the information window was opened: it decides where OK and Cancel
/// lead and what closing the window writes (InfoPurposeFor).
enum class InfoPurpose : std::int16_t {
    DataView = 0,        ///< the data view's save
    SaveButton = 1,      ///< the data view's Save button
    ProgramSave = 2,     ///< the program editor's save
    PrintDialog = 3,     ///< the print dialog
    PrintDialogAlt = 4,  ///< the same rules as PrintDialog
    SaveAndLeave = 5,    ///< leaving the data view with a save
    UnloadDataView = 6,  ///< save, then close the data view
    LeaveEditor = 7,     ///< leaving the program editor with a save
    SaveAndQuit = 8,     ///< a save before quitting
    EditorMenu = 9,      ///< the program editor's menu
    FileMenu = 10,       ///< the data view's File menu
};

/// Where the data view's data set came from; its caption and menus follow.
enum class DataSource : std::int16_t {
    Uploaded = 0,  ///< uploaded from an instrument
    File = 1,      ///< read from a file
    Program = 2,   ///< program data
};

/// The position of a data source among its captions (uploaded, file,
/// program), for the text that names it.
constexpr int DataSourceIndex(DataSource source) {
    return static_cast<int>(source);
}

/// The flags and navigation state of one session: the setting mode, the
/// menus' marks, the password, where the data came from and where the user
/// goes back to. A default-constructed value is the state the program starts
/// with. It lives in the session's workspace.
struct SessionState {
    // Mode and menus.
    SettingMode settingMode = SettingMode::Parameter;
    std::int16_t comPort = 1;  ///< serial port 1..4 ("COMPORT")
    bool maintMode = false;
    bool commandMenuUnlocked = false;

    // The rate the instrument was last set to (quitting warns when that is
    // 9600); the rate the tool talks at is the engine's CommSpeed.
    std::int32_t instrumentSpeed = 1200;

    // Caption affixes: title + " - [" + file name + "]".
    std::string captionOpen = " - [";
    std::string captionClose = "]";
    /// Caption of the main window as last set by SetCurrentFile.
    std::string mainCaption;

    // Device password (Setting.ini) and the password dialog.
    std::string settingFilePath;
    std::string storedPassword = "----";
    bool passwordStored = false;  ///< a password other than "----" is stored
    bool noPassword = true;       ///< the reverse of passwordStored
    PasswordMode passwordMode = PasswordMode::Set;
    bool passwordNotPassed = false;      ///< the password dialog was left without the right entry
    bool downloadAllowed = true;         ///< no password set, or the right one entered
    bool passwordSetEnabled = true;      ///< Password / "Set..." enabled on the top menu
    bool passwordChangeEnabled = false;  ///< Password / "Change..." enabled

    // Navigation.
    InfoPurpose infoPurpose = InfoPurpose::DataView;
    ScreenId currentScreenId = ScreenId::DataView;
    std::int16_t parameterTab = 0;     ///< 0 DISPLAY, 1 SET, 2 ADJUST, 3 MAINT
    /// Where the data view's data set came from.
    DataSource dataSource = DataSource::Uploaded;
    std::string currentFileTitle = "NewFile";
    std::string currentFilePath;
    /// The file the last save dialog accepted, and the current file before it
    /// (given back when that save is not written).
    std::string saveTargetPath;
    std::string fileBeforeSave;
    std::string pathBeforeSave;
    bool dataChanged = false;           ///< the data shown differs from its file
    bool editorOpenedFromFile = false;  ///< the program editor shows a program read from a file
    bool cameFromDownloadCheck = false;
    /// The check list shows a comparison with the instrument (Compare with
    /// TAVRO: file and instrument values) rather than a download's read-back.
    bool checkListCompares = false;
    /// The screen that started that comparison: the check list's Close goes
    /// back to it (the data view or the program editor).
    Screen compareFrom = Screen::DataView;
    std::int16_t downloadCheckMode = 0;
    /// The screen an exit that saves first was started from: it is given back
    /// when the save fails or the user stays.
    Screen exitFrom = Screen::TopMenu;
    bool printingFromPrintDialog = false;
    /// The slot the SLOT No. dialog took for the slot job it started; the
    /// job's slot question takes it instead of asking again.
    std::optional<int> presetSlot;

    /// Bytes the last parameter-file or program-file save needed (0 before any
    /// save); the password writer compares the free space with it.
    std::int64_t lastSaveRequirement = 0;

    /// The instrument's set (or program) as the backup before a download
    /// just took it, in a file's bytes. The download that follows takes the
    /// "before" of its record's changes from it and from nothing else; any
    /// other job's end, or a download given up, lets it go.
    std::vector<std::uint8_t> backupJustTaken;
    /// Why the user writes to the instrument, as the plant register records
    /// it with each download, program download and restore (the register
    /// setting REASONREQUIRED asks for one); given before each such write.
    std::string writeReason;
};

}  // namespace rq50::shell
