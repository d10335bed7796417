#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "shell/NavigationHost.h"

namespace rq50::shell {

/// Screen shown active for the Baud Rate command (`CurrentScreenId`).
enum ScreenId : int {
    kScreenDataView = 0,
    kScreenSettingMenu = 1,
    kScreenCategoryMenu = 5,
    kScreenProgramEditor = 7,
};

/// Modes of the password dialog.
enum PasswordMode : int {
    kPasswordSet = 0,     ///< set a new password
    kPasswordVerify = 1,  ///< verify the current one before a change
    kPasswordEntry = 2,   ///< enter the password before work
};

/// The flags and navigation state of one session: the setting mode, the
/// menus' marks, the password, where the data came from and where the user
/// goes back to. A default-constructed value is the state the program starts
/// with. It lives in the session's workspace.
struct SessionState {
    // Mode and menus.
    std::int16_t settingMode = 0;  ///< 0 parameter setting, 1 program setting
    std::int16_t comPort = 1;      ///< serial port 1..4 ("COMPORT")
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
    int passwordMode = kPasswordSet;
    bool passwordNotPassed = false;      ///< the password dialog was left without the right entry
    bool downloadAllowed = true;         ///< no password set, or the right one entered
    bool passwordSetEnabled = true;      ///< Password / "Set..." enabled on the top menu
    bool passwordChangeEnabled = false;  ///< Password / "Change..." enabled

    // Navigation.
    std::int16_t infoPurpose = 0;      ///< why the information window was opened
    std::int16_t currentScreenId = 0;  ///< ScreenId
    std::int16_t parameterTab = 0;     ///< 0 DISPLAY, 1 SET, 2 ADJUST, 3 MAINT
    /// Where the data view's data set came from: 0 uploaded, 1 read from a
    /// file, 2 program data.
    std::int16_t dataSource = 0;
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
};

}  // namespace rq50::shell
