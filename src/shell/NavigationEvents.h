#pragma once

// The event codes the screens and their presenters hand to the navigation
// (DisplayMatrix), one name each. The numbers are the navigation table's and
// show in logs and traces, so they never change. The communication engine's
// hand-backs (41-64, 201-204, 441-449 with their follow codes) come as plain
// codes from the job that ended and are looked up in the same table.

namespace rq50::shell {

enum class NavEvent : int {
    kNone = 0,  ///< navigate nowhere

    // Top menu: OK by the option chosen.
    kParameterSetting = 21,
    kProgramSetting = 22,

    // Setting menu.
    kReadParameterFile = 43,
    kSettingMenuBackParameter = 44,  ///< Cancel in parameter mode: the top menu
    kNewProgram = 361,
    kReadProgramFile = 363,
    kSettingMenuBackProgram = 364,  ///< Cancel in program mode: the top menu

    // Category menu: Cancel.
    kCategoryMenuBack = 65,

    // Parameter screen: leaving it, by category (DISPLAY, SET, ADJUST, MAINT).
    kLeaveDisplay = 83,
    kLeaveSet = 102,
    kLeaveAdjust = 123,
    kLeaveMaint = 142,

    // Data view, by data source (uploaded / from a file).
    kContentUploaded = 161,
    kSaveUploaded = 162,
    kLeaveDataView = 165,  ///< asks about unsaved data first
    kContentFile = 181,
    kSaveFile = 182,
    kPrintParameterData = 184,  ///< Print opens the print dialog
    kDataViewToSettingMenu = 185,

    // Content list: back to the data view it was opened from.
    kContentListBackFile = 221,
    kContentListBackUploaded = 222,

    // Information window: OK and Cancel by the purpose it was opened for.
    kInfoDataViewOk = 241,
    kInfoDataViewCancel = 242,
    kInfoSaveButtonOk = 243,
    kInfoSaveButtonCancel = 244,
    kInfoProgramSaveOk = 245,
    kInfoProgramSaveCancel = 246,
    kInfoLeaveDataViewOk = 247,
    kInfoLeaveDataViewCancel = 248,
    kInfoUnloadDataViewCancel = 250,
    kInfoLeaveEditorOk = 251,
    kInfoLeaveEditorCancel = 252,
    kInfoPrintDialogOk = 255,
    kInfoPrintDialogCancel = 256,

    // Save dialog: a file name was accepted.
    kSaveNameAccepted = 261,

    // Download check: Return, by setting mode.
    kCheckBackToDataView = 281,
    kCheckBackToEditor = 282,

    // Print dialog and preview.
    kPrintDialogPrint = 301,
    kPrintDialogCancelToDataView = 302,
    kPrintDialogCancelToProgram = 304,
    kPrintDialogPreview = 305,
    kPrintDialogCsv = 306,
    kPrintDialogInformation = 307,
    kPreviewClose = 341,

    // Program editor and its error list.
    kAfterProgramDownload = 383,  ///< the message chosen by the download's outcome
    kPrintProgram = 384,          ///< Print opens the print dialog
    kLeaveProgramEditor = 403,    ///< asks about an unsaved program first
    kShowErrorList = 406,
    kSaveProgram = 407,
    kErrorListReturn = 421,
    kPrintErrorList = 422,

    // Hand-backs of the jobs the screens start.
    kAfterDownloadCheckJob = 442,
    kBackToSettingMenu = 450,  ///< a failed job returns to the setting menu
};

/// The number of an event, as the table and the logs give it.
constexpr int EventCode(NavEvent event) {
    return static_cast<int>(event);
}

/// Codes of the shared menu handler `MenuCommand`.
enum class MenuCommandCode : int {
    Save = 1,
    Information = 21,
    ExitAt9600 = 22,
    BaudRate = 101,
    SlotNo = 161,
    Category = 181,
    Version = 201,
};

}  // namespace rq50::shell
