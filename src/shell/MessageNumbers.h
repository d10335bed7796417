#pragma once

// The message numbers of the message catalogue, each declared once. A number
// is the key of the box's text and caption in the catalogue; the texts live
// there, not here.

namespace rq50 {

constexpr int kMsgStartPrompt = 1;
constexpr int kMsgSaveParameterData = 9;
constexpr int kMsgSaveProgramData = 12;
constexpr int kMsgIllegalValue = 13;
constexpr int kMsgDownloadCompleted = 15;
constexpr int kMsgSpeedReminder = 16;
constexpr int kMsgNoErrorFound = 17;
constexpr int kMsgFileNotFound = 18;
constexpr int kMsgReadOnlyFile = 19;
constexpr int kMsgDiskNotReady = 20;
constexpr int kMsgLackOfSpace = 22;
constexpr int kMsgResetBaudRate = 24;
constexpr int kMsgQuitQuestion = 25;
constexpr int kMsgRackBaud = 29;
constexpr int kMsgModelBaud = 30;
constexpr int kMsgCannotIncreaseRows = 31;
constexpr int kMsgDateNotEntered = 32;
constexpr int kMsgConnectRack = 33;
constexpr int kMsgOnlyProgramUploaded = 34;
constexpr int kMsgOnlyConstUploaded = 35;
constexpr int kMsgNothingUploaded = 36;
constexpr int kMsgProgramAndConstDownloaded = 37;
constexpr int kMsgProgramDownloaded = 38;
constexpr int kMsgConstDownloaded = 39;
constexpr int kMsgNameTooLong = 41;
constexpr int kMsgNameNotPrintable = 42;
constexpr int kMsgModelNotRegistered = 43;
constexpr int kMsgUploadBeforeEdit = 44;
constexpr int kMsgSeeCheckErrors = 45;
constexpr int kMsgPasswordSet = 47;
constexpr int kMsgPasswordMismatch = 48;
constexpr int kMsgPasswordChanged = 49;
constexpr int kMsgWrongPasswordEntry = 50;
constexpr int kMsgWrongPasswordChange = 51;
constexpr int kMsgCancelPassword = 52;
constexpr int kMsgIllegalDropProgram = 53;
constexpr int kMsgIllegalPasteProgram = 55;
constexpr int kMsgIllegalPasteConst = 56;

}  // namespace rq50
