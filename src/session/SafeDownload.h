#pragma once

// A download that first keeps what the instrument holds. The instrument's set
// (or program) is uploaded and saved as a backup, the items the download will
// change are put before the user, and only when the user goes on is the file
// written to the instrument, into the same rack slot. The desktop program
// runs it from its screens, rq50-cli by running the engine until the flow
// ends; each asks the questions its own way.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/Engine.h"
#include "files/Compare.h"
#include "files/DataSet.h"
#include "files/InformationRecord.h"
#include "files/SaveTarget.h"
#include "parameter/ItemBlock.h"
#include "program/ProgramTypes.h"
#include "session/ScreenFlow.h"
#include "session/Vocabulary.h"
#include "shell/NavigationHost.h"

namespace rq50::session {

struct Workspace;

/// The Communication Settings item "Backup before download" (setting
/// "BACKUPFIRST"; on unless stored as "0").
bool BackupBeforeDownloadOn(const Workspace& ws);
/// Switches it and stores the choice; returns the new state.
bool ToggleBackupBeforeDownload(Workspace& ws);

/// What the user confirms before a download.
struct DownloadPreview {
    files::DataFileKind kind = files::DataFileKind::kParameter;
    std::string file;    ///< the file's name as the user knows it
    std::string model;   ///< the file's model
    int slot = 0;        ///< the rack slot; 0 without a rack interface
    int itemCount = 0;   ///< items the download writes
    std::string backup;  ///< the instrument's set kept here
    /// Header differences (a model the file is not for), one sentence each.
    std::vector<std::string> notes;
    /// Items that will change: `first` the file's value, `second` the
    /// instrument's, in the order and by the rule `verify` lists them.
    std::vector<files::ItemDifference> changes;
    /// The plant register asks a reason for every write: the preview takes
    /// one, and Download waits for it.
    bool reasonRequired = false;
};

/// What a download's preview names as its source: the file's path when the
/// data is what the file holds; "PATH (changed, not saved)" when it was
/// changed since; "data uploaded from the instrument, not saved" when it
/// never was in a file. A program: its own source (ProgramSourceName).
std::string DownloadSourceName(const Workspace& ws, files::DataFileKind kind);

/// "Download PUMP1.7pa (model RQB2, slot 3, 42 items) to the instrument."
std::string PreviewHeading(const DownloadPreview& preview);
/// "No item will change: the instrument holds the file's values." or
/// "3 items will change:".
std::string PreviewCountLine(const DownloadPreview& preview);
/// One change as "instrument's value -> file's value" ("(none)" for a side
/// without the item).
std::string PreviewChange(const files::ItemDifference& change);

/// The data sets an upload replaces in the workspace, held while the
/// instrument's set is uploaded and put back after it.
struct HeldData {
    parameter::ItemArrays items;
    files::DataSetHeader header;
    files::InformationRecord information;
    program::ProgramState program;
};

/// The workspace's data as the download would write it, and a way back to it.
std::shared_ptr<HeldData> HoldData(const Workspace& ws);
void PutBackData(Workspace& ws, const HeldData& held);

/// The preview of writing `held` (the file's data) to the instrument whose
/// set the workspace holds now (just uploaded).
DownloadPreview PreviewOf(const HeldData& held, const Workspace& instrument,
                          files::DataFileKind kind, const std::string& file);

/// The step after the backup's upload (`uploadEnded`: its job ended well):
/// saves the instrument's set as the backup, makes the preview of writing
/// `held` (the file's data) to that instrument, in the slot it answered from,
/// and puts `held` back into the workspace. The preview's `backup` is empty
/// when no backup was written; `why` then says why.
DownloadPreview KeepBackup(Workspace& ws, const HeldData& held, files::DataFileKind kind,
                           const std::string& file, bool uploadEnded, std::string& why);

/// The questions of a download with a backup, as the front end asks them.
class DownloadQuestions {
  public:
    virtual ~DownloadQuestions() = default;
    /// The preview with Download / Cancel; true to download.
    virtual bool ConfirmDownload(const DownloadPreview& preview) = 0;
    /// The backup could not be made for the reason `why`; true to download
    /// without one.
    virtual bool DownloadWithoutBackup(const std::string& why) = 0;
    /// The download ended part way, `written` items written: true to
    /// download `backup` (what the instrument held before) into it again.
    virtual bool RestoreBackup(const std::string& backup, int written) = 0;
    /// The reason the user gave with the preview, as the plant register
    /// records it with the download; empty when none was asked for.
    virtual std::string Reason() const { return {}; }
    /// The download's job ended (`outcome`), before any offer to restore.
    virtual void DownloadEnded(const comm::JobOutcome& /*outcome*/) {}
    /// The restore that followed a partial download ended.
    virtual void RestoreEnded(const comm::JobOutcome& /*outcome*/) {}
    /// The plant register asks a reason for every write and no preview
    /// asks it ("Backup before download" off): the reason the user gives,
    /// or nothing when he cancels, and nothing is written then.
    virtual std::optional<std::string> AskReason() { return std::nullopt; }
};

/// What a screen asks for: the download job as it would start it, the kind
/// of data, the screen it disables while the line is in use, and the file's
/// name for the preview.
struct DownloadRequest {
    comm::JobRequest job;
    /// The screen whose hand-back follows the download.
    JobCaller caller = kCallerNone;
    files::DataFileKind kind = files::DataFileKind::kParameter;
    Screen screen = Screen::DataView;
    std::string file;
    /// Whether a backup is taken first; unset: the setting "Backup before
    /// download".
    std::optional<bool> backup;
    /// Whether the start question is asked (a command is its own answer).
    bool askToStart = true;
    /// The backup's upload shown under this title; empty: the download's.
    std::string backupTitle;
};

/// Starts a download from a screen. With "Backup before download" on: asks
/// the start question, uploads the instrument's set as a backup, puts the
/// file's data back, asks `questions` (the preview, or whether to go on
/// without a backup), then runs the download without asking again, into the
/// slot the backup came from. A download that ends part way with items
/// written offers to put the backup back (`RestoreBackup`); the view's data
/// stays as it is. With it off: the download as the screens always
/// started it, after `questions` asked the reason where the plant register
/// requires one (a cancel starts nothing). `questions` is kept until the
/// flow ends and hears how the download ended; the screen is enabled again
/// when it is given up. False when nothing started.
bool StartSafeDownload(Workspace& ws, DownloadRequest request,
                       std::unique_ptr<DownloadQuestions> questions);

}  // namespace rq50::session
