#include "session/RackRun.h"
#include "session/CompareWithInstrument.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "comm/Engine.h"
#include "comm/jobs/JobResults.h"
#include "files/Backup.h"
#include "files/Compare.h"
#include "files/ParameterFile.h"
#include "files/RecordFile.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "session/SafeDownload.h"
#include "session/TransferRecords.h"
#include "shell/Catalogue.h"
#include "shell/MessageBoxHost.h"
#include "shell/PlatformFile.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

namespace rq50::session {

using namespace rq50::shell;
namespace fs = std::filesystem;

std::string SlotStateName(SlotState state) {
    switch (state) {
        case SlotState::kEmpty:
            return "empty";
        case SlotState::kInstrument:
            return "instrument";
        case SlotState::kNoAnswer:
            return "no-answer";
        case SlotState::kError:
            return "error";
        default:
            return "not-scanned";
    }
}

std::string RackFileName(int slot, const std::string& model, const std::string& tag) {
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "S%02d_", slot);
    return prefix + files::FileNamePart(model) + "_" + files::FileNamePart(tag) + ".7pa";
}

namespace {

/// The number a rack file's name starts with ("S03_" is 3, "S17_" 17); -1
/// when the name does not start so.
int RackFileNumber(const std::string& fileName) {
    if (fileName.size() < 3 || (fileName[0] != 'S' && fileName[0] != 's')) return -1;
    std::size_t at = 1;
    int slot = 0;
    while (at < fileName.size() && at < 3 && fileName[at] >= '0' && fileName[at] <= '9') {
        slot = slot * 10 + (fileName[at++] - '0');
    }
    if (at == 1 || at >= fileName.size() || fileName[at] != '_') return -1;
    return slot;
}

}  // namespace

int SlotOfRackFile(const std::string& fileName) {
    const int slot = RackFileNumber(fileName);
    return slot >= 1 && slot <= 16 ? slot : 0;
}

std::string RackFiles::FileFor(int slot) const {
    const auto it = bySlot.find(slot);
    return it != bySlot.end() && it->second.size() == 1 ? it->second.front() : std::string();
}

RackFiles FindRackFiles(const std::string& folder) {
    RackFiles found;
    std::error_code ec;
    for (fs::directory_iterator it(platform::PathFromUtf8(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = platform::Utf8FromPath(it->path().filename());
        const int number = RackFileNumber(name);
        if (number < 0 || files::DataFileKindOf(name) != files::DataFileKind::kParameter) continue;
        if (number < 1 || number > 16) {
            found.problems.push_back(name + ": a rack has slots 1-16, not " +
                                     std::to_string(number) + "; the file is not used");
            continue;
        }
        found.bySlot[number].push_back(platform::Utf8FromPath(it->path()));
    }
    for (auto& [slot, paths] : found.bySlot) {
        std::sort(paths.begin(), paths.end());
        if (paths.size() < 2) continue;
        std::string names;
        for (const auto& path : paths)
            names += (names.empty() ? "" : ", ") + files::FileTitleOf(path);
        found.problems.push_back("two files name slot " + std::to_string(slot) + " (" + names +
                                 "); the slot is skipped");
    }
    return found;
}

std::optional<std::vector<int>> ParseSlotList(const std::string& text) {
    std::vector<int> slots;
    std::size_t at = 0;
    auto number = [&](int& out) {
        const std::size_t start = at;
        out = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - start < 3) {
            out = out * 10 + (text[at++] - '0');
        }
        return at > start && out >= 1 && out <= 16;
    };
    while (at < text.size()) {
        int first = 0, last = 0;
        if (!number(first)) return std::nullopt;
        last = first;
        if (at < text.size() && text[at] == '-') {
            ++at;
            if (!number(last) || last < first) return std::nullopt;
        }
        for (int s = first; s <= last; ++s) {
            if (std::find(slots.begin(), slots.end(), s) == slots.end()) slots.push_back(s);
        }
        if (at < text.size() && text[at++] != ',') return std::nullopt;
    }
    if (slots.empty()) return std::nullopt;
    std::sort(slots.begin(), slots.end());
    return slots;
}

std::string RackSummary(const std::vector<SlotOutcome>& outcome) {
    int done = 0, differs = 0, failed = 0, empty = 0, notScanned = 0, kept = 0;
    for (const auto& s : outcome) {
        if (s.state == SlotState::kEmpty)
            ++empty;
        else if (s.state == SlotState::kNotScanned)
            ++notScanned;
        else if (s.state != SlotState::kInstrument)
            ++failed;
        else if (s.result == "differs")
            ++differs;
        else if (s.result == "kept")
            ++kept;
        else if (s.result == "failed" || s.result == "skipped")
            ++failed;
        else
            ++done;
    }
    std::string text = "done " + std::to_string(done) + ", differs " + std::to_string(differs) +
                       ", failed " + std::to_string(failed) + ", empty " + std::to_string(empty);
    if (kept > 0) text += ", kept " + std::to_string(kept);
    if (notScanned > 0) text += ", not reached " + std::to_string(notScanned);
    return text;
}

namespace {

/// The session's communication host, with the slot question answered by
/// the run.
class SlotHost : public comm::CommHost {
  public:
    explicit SlotHost(comm::CommHost& inner) : m_inner(inner) {}
    int slot = 0;
    void ShowProgress(int value) override { m_inner.ShowProgress(value); }
    void CloseCommDialog() override { m_inner.CloseCommDialog(); }
    std::optional<int> AskSlot() override { return slot; }
    void ShowStatusText(const std::string& text) override { m_inner.ShowStatusText(text); }
    void SetBusyPointer(bool busy) override { m_inner.SetBusyPointer(busy); }

  private:
    comm::CommHost& m_inner;
};

/// Keeps a slot's messages as its outcome instead of showing them.
class KeptMessages : public MessageBoxHost {
  public:
    std::string last;
    MsgAnswer Show(const MessageBoxRequest& box) override {
        // One line: the paragraphs of the box joined.
        last.clear();
        for (char c : box.text) {
            if (c == '\r' || c == '\n') c = ' ';
            if (c != ' ' || (!last.empty() && last.back() != ' ')) last += c;
        }
        return MsgAnswer::Ok;
    }
};

class Run : public RackRun, public std::enable_shared_from_this<Run> {
  public:
    Run(Workspace& ws, RackOptions options)
        : m_ws(ws), m_engine(ws.Engine()), m_o(std::move(options)), m_host(m_engine.Host()) {
        std::vector<int> asked = m_o.askedSlots;
        if (asked.empty()) {
            for (int s = 1; s <= 16; ++s) asked.push_back(s);
        }
        for (int s : asked) {
            SlotOutcome outcome;
            outcome.slot = s;
            m_slots.push_back(outcome);
        }
        if (!m_o.folder.empty() && m_o.action != RackAction::kUpload)
            m_files = FindRackFiles(m_o.folder);
    }

    void Begin() {
        m_savedHost = &m_engine.Host();
        m_savedMessages = m_ws.hosts.messages;
        m_engine.SetHost(&m_host);
        m_ws.hosts.messages = &m_kept;
        m_held = HoldData(m_ws);
        m_running = true;
        NextSlot();
    }

    void Stop() override {
        m_stop = true;
        if (m_engine.Busy()) m_engine.Terminate();
    }
    bool Running() const override { return m_running; }
    const std::vector<SlotOutcome>& Slots() const override { return m_slots; }

  private:
    SlotOutcome& Current() { return m_slots[m_at]; }

    /// Why the folder gives no one file for `slot`.
    std::string NoFileFor(int slot) const {
        const auto it = m_files.bySlot.find(slot);
        if (it == m_files.bySlot.end()) return "no file names this slot";
        return std::to_string(it->second.size()) + " files name this slot; nothing done";
    }

    /// Empty when a file of `fileModel` may go to the instrument in the
    /// slot; otherwise the slot's detail, which names both models.
    std::string WrongModel(const SlotOutcome& s, const std::string& fileModel,
                           const char* nothing) const {
        if (files::ModelMismatch(fileModel, s.model).empty()) return {};
        char slot[8];
        std::snprintf(slot, sizeof slot, "S%02d", s.slot);
        return std::string(slot) + ": the file is for " + Trim(fileModel) + ", slot " +
               std::to_string(s.slot) + " holds " + Trim(s.model) + "; " + nothing;
    }

    /// Starts `request` with its end going to `then`; a job that cannot
    /// start ends the slot as an error.
    void Job(comm::JobRequest request, void (Run::*then)(comm::CommErrorCode)) {
        request.done = [self = shared_from_this(), then](const comm::JobOutcome& outcome) {
            ((*self).*then)(outcome.code);
        };
        if (!m_engine.StartCommJob(request)) {
            if (comm::ChangesInstrument(request.code) && !m_ws.state.downloadAllowed) {
                Current().result = "skipped";
                Current().detail = "the download password has not been entered; nothing written";
            } else {
                Current().state = SlotState::kError;
                Current().detail = "the line is busy";
            }
            SlotDone();
        }
    }

    void NextSlot() {
        if (m_stop || m_at >= m_slots.size()) return Finish();
        m_host.slot = Current().slot;
        m_kept.last.clear();
        comm::JobRequest connect{comm::kJobConnect, Catalogue(kTextSlotCaption)};
        connect.recordAs = "none";
        Job(connect, &Run::Connected);
    }

    void Connected(comm::CommErrorCode result) {
        SlotOutcome& s = Current();
        const auto& facts = m_engine.LastInstrument();
        if (result == comm::kErrNone && !facts.viaRack) {
            // No rack interface: the one instrument on the line.
            m_direct = true;
            s.state = SlotState::kInstrument;
            s.model = facts.model;
            s.detail = "a directly connected instrument, no rack interface";
            m_engine.CloseLine();
            m_slots = {s};
            return Finish();
        }
        if (result == comm::kErrTerminated) {
            m_stop = true;
            return SlotDone();
        }
        if (result != comm::kErrNone) {
            s.state = result == comm::kErrAddress && facts.viaRack ? SlotState::kEmpty
                      : result == comm::kErrNoResponse             ? SlotState::kNoAnswer
                                                                   : SlotState::kError;
            if (s.state != SlotState::kEmpty) s.detail = m_kept.last;
            return SlotDone();
        }
        s.state = SlotState::kInstrument;
        s.model = facts.model;
        if (m_o.action == RackAction::kDownload) return StartDownload();
        // The set (for the tag at least) on the same line opening.
        comm::JobRequest upload{comm::kJobUpload, Catalogue(kTextUpload)};
        upload.recordAs = m_o.action == RackAction::kUpload ? "" : "none";
        Job(upload, &Run::Uploaded);
    }

    void Uploaded(comm::CommErrorCode result) {
        SlotOutcome& s = Current();
        if (result != comm::kErrNone) {
            s.result = "failed";
            s.detail = m_kept.last.empty() ? "the upload ended: " + comm::CommErrorText(result)
                                           : m_kept.last;
            if (result == comm::kErrTerminated) m_stop = true;
            return SlotDone();
        }
        s.tag = files::SingleByteToUtf8(files::TagOf(m_ws.items.dataSet));
        if (m_o.action == RackAction::kUpload) Save(s);
        if (m_o.action == RackAction::kVerify) Verify(s);
        SlotDone();
    }

    void Save(SlotOutcome& s) {
        std::error_code ec;
        fs::create_directories(platform::PathFromUtf8(m_o.folder), ec);
        const std::string path = platform::Utf8FromPath(platform::PathFromUtf8(m_o.folder) /
                                                        RackFileName(s.slot, s.model, s.tag));
        // A slot's file may hold edits not yet downloaded: only --force
        // replaces it.
        platform::TargetStatus existing;
        if (!m_o.replace && platform::StatusOf(platform::PathFromUtf8(path), existing) == 0 &&
            existing.exists) {
            s.result = "kept";
            s.detail = "kept: file exists (" + path + "); --force replaces it";
            return;
        }
        files::SetInformationFileName(m_ws.information,
                                      files::Utf8ToSingleByte(files::FileTitleOf(path)));
        const bool written = files::WriteParameterFile(m_ws, path);
        s.result = written ? "uploaded" : "failed";
        s.detail = written ? path : m_kept.last;
    }

    void Verify(SlotOutcome& s) {
        files::ParameterFileRecord reference;
        std::string against;
        if (!m_o.folder.empty()) {
            const std::string file = m_files.FileFor(s.slot);
            if (file.empty()) {
                s.result = "skipped";
                s.detail = NoFileFor(s.slot);
                return;
            }
            if (files::LoadParameterFile(file, reference) != files::FileError::Ok) {
                s.result = "skipped";
                s.detail = "cannot read " + file;
                return;
            }
            // Items of another model share addresses, not meanings.
            if (auto wrong = WrongModel(s, reference.header.model, "nothing compared");
                !wrong.empty()) {
                s.result = "skipped";
                s.detail = wrong;
                return;
            }
            against = files::FileTitleOf(file);
        } else if (m_o.reg != nullptr) {
            const auto identity = RecordOfWorkspace(m_ws, plant::RecordKind::kVerify,
                                                    files::DataFileKind::kParameter);
            if (auto good =
                    m_o.reg->LastGood(identity.instrument.Name(), files::DataFileKind::kParameter);
                good && files::DecodeParameterRecord(good->bytes, reference) == files::FileError::Ok) {
                against = "the register's record of " + good->time;
            }
        }
        if (against.empty()) {
            s.result = "skipped";
            s.detail = m_o.folder.empty() ? "the register holds no good record of it"
                                          : "no file for this slot";
            return;
        }
        const auto differences = files::CompareDataSets(
            reference.items, m_ws.items.dataSet, files::CompareScope::kDownloadable,
            reference.header.starts[files::Category::Set],
            reference.header.starts[files::Category::Adjust]);
        s.result = differences.empty() ? "matches" : "differs";
        s.detail = ComparisonResult(static_cast<int>(differences.size()), against);
        auto record =
            RecordOfWorkspace(m_ws, plant::RecordKind::kVerify, files::DataFileKind::kParameter);
        record.fileName = against;
        record.itemsDiffer = static_cast<int>(differences.size());
        record.result = s.detail;
        RecordTransfer(m_ws, std::move(record));
    }

    void StartDownload() {
        SlotOutcome& s = Current();
        m_file = m_files.FileFor(s.slot);
        files::ParameterFileRecord record;
        if (m_file.empty() || files::LoadParameterFile(m_file, record) != files::FileError::Ok) {
            s.result = "skipped";
            s.detail = m_file.empty() ? NoFileFor(s.slot) : "cannot read " + m_file;
            return SlotDone();
        }
        // No backup and no preview for a file that cannot go there.
        if (auto wrong = WrongModel(s, record.header.model, "nothing written"); !wrong.empty()) {
            s.result = "skipped";
            s.detail = wrong;
            return SlotDone();
        }
        files::SetInformationFileName(record.information,
                                      files::Utf8ToSingleByte(files::FileTitleOf(m_file)));
        files::UseParameterRecord(m_ws, std::move(record));
        m_fileData = HoldData(m_ws);
        comm::JobRequest backup{comm::kJobUpload, Catalogue(kTextUpload)};
        backup.recordAs = "backup";
        backup.keepLineOpen = true;
        Job(backup, &Run::BackedUp);
    }

    void BackedUp(comm::CommErrorCode result) {
        SlotOutcome& s = Current();
        if (result == comm::kErrNone) {
            s.tag = files::SingleByteToUtf8(files::TagOf(m_ws.items.dataSet));
        }
        std::string why;
        const auto preview = KeepBackup(m_ws, *m_fileData, files::DataFileKind::kParameter,
                                        files::FileTitleOf(m_file), result == comm::kErrNone, why);
        if (preview.backup.empty()) {
            s.result = "failed";
            s.detail = "no backup: " + why + "; nothing downloaded";
            return SlotDone();
        }
        if (m_o.confirm && !m_o.confirm(s, preview)) {
            s.result = "skipped";
            s.detail = "not confirmed; backup " + preview.backup;
            return SlotDone();
        }
        m_backup = preview.backup;
        comm::JobRequest download{comm::kJobDownload, Catalogue(kTextDownload)};
        Job(download, &Run::Downloaded);
    }

    void Downloaded(comm::CommErrorCode result) {
        SlotOutcome& s = Current();
        const auto& results = m_engine.LastOutcome();
        if (result != comm::kErrNone) {
            s.result = "failed";
            s.detail = std::to_string(results.itemsWritten) + " items written, then " +
                       comm::CommErrorText(result) + "; backup " + m_backup;
            if (result == comm::kErrTerminated) m_stop = true;
        } else if (!results.differences.empty()) {
            s.result = "differs";
            s.detail = std::to_string(results.differences.size()) +
                       " items hold other values than the file; backup " + m_backup;
        } else {
            s.result = "downloaded";
            s.detail = files::FileTitleOf(m_file) + "; backup " + m_backup;
        }
        SlotDone();
    }

    void SlotDone() {
        m_engine.CloseLine();  // the rack forgets its slot; the next is its own opening
        if (m_o.onSlot) m_o.onSlot(Current());
        ++m_at;
        NextSlot();
    }

    void Finish() {
        m_engine.CloseLine();
        PutBackData(m_ws, *m_held);
        m_engine.SetHost(m_savedHost);
        m_ws.hosts.messages = m_savedMessages;
        m_running = false;
        if (m_o.onEnd) m_o.onEnd(m_slots, m_direct);
    }

    Workspace& m_ws;
    comm::CommEngine& m_engine;
    RackOptions m_o;
    SlotHost m_host;
    KeptMessages m_kept;
    comm::CommHost* m_savedHost = nullptr;
    MessageBoxHost* m_savedMessages = nullptr;
    std::shared_ptr<HeldData> m_held;
    std::shared_ptr<HeldData> m_fileData;
    std::vector<SlotOutcome> m_slots;
    RackFiles m_files;
    std::string m_file;
    std::string m_backup;
    std::size_t m_at = 0;
    bool m_stop = false;
    bool m_running = false;
    bool m_direct = false;
};

}  // namespace

std::shared_ptr<RackRun> RackRun::Start(Workspace& ws, RackOptions options) {
    if (ws.Engine().Busy()) return nullptr;
    auto run = std::make_shared<Run>(ws, std::move(options));
    run->Begin();
    return run;
}

}  // namespace rq50::session
