#include "session/PlantRegisterBrowser.h"

#include <algorithm>

#include "files/FileError.h"
#include "files/FileNameRules.h"
#include "files/RecordFile.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "print/Reports.h"
#include "register/HeadFile.h"
#include "register/Recorder.h"
#include "session/CompareWithInstrument.h"
#include "session/Navigation.h"
#include "session/RegisterActions.h"
#include "shell/Catalogue.h"
#include "shell/MessageBoxHost.h"
#include "shell/PlatformFile.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <filesystem>

namespace rq50::session {

using namespace rq50::files;

using namespace rq50::shell;

namespace {

/// `text` with "%1" and "%2" replaced.
std::string Fill(std::string text, const std::string& first, const std::string& second = {}) {
    for (const auto& [mark, value] : {std::pair{"%1", first}, std::pair{"%2", second}}) {
        if (const auto at = text.find(mark); at != std::string::npos) text.replace(at, 2, value);
    }
    return text;
}

std::string Shown(const plant::Instrument& in) {
    return in.Name() + " (" + in.model + ")";
}

bool IsProgram(const plant::Record& record) {
    return record.fileKind == files::DataFileKind::kProgram;
}

/// The title the record's set takes in the chain, as LoadRecord names it.
std::string TitleInChain(const plant::Record& record) {
    return record.fileName.empty() ? record.instrument.Name() + files::ExtensionOf(record.fileKind)
                                   : record.fileName;
}

// The printed history: the widths of Time, Kind, User, Slot, File, Result and
// of a change's Address, Name, Before, After, in twips.
constexpr const char* kHistoryFormat = "2300|1300|1400|>400|1300|1900|1400";
// The chain's head at the end: record, position, chain hash.
constexpr const char* kHeadFormat = "1200|1000|7800";
constexpr const char* kChangesFormat = "1000|2600|3000|3000";

}  // namespace

std::string RegisterNameShown(const std::string& name) {
    return plant::ShownRegisterName(name);
}

std::string RecordTitle(const plant::Record& record) {
    return plant::KindName(record.kind) + " of " + record.time;
}

std::string RestoreTitle(const plant::Record& record) {
    std::string when = record.time.substr(0, 16);
    if (when.size() > 10 && when[10] == 'T') when[10] = ' ';
    return "the " + plant::KindName(record.kind) + " of " + when + " (" + record.result + ")";
}

void PlantRegisterBrowser::Say(const std::string& text, MsgIcon icon) const {
    if (m_ws.hosts.messages == nullptr) return;
    m_ws.hosts.messages->Show(
        {files::Utf8ToSingleByte(text), Catalogue(kTextPlantRegisterCaption), MsgButtons::Ok, icon});
}

void PlantRegisterBrowser::Guarded(const std::function<void()>& action) {
    try {
        action();
    } catch (const plant::RegisterError& e) {
        const std::string name =
            m_ws.hosts.recorder != nullptr ? m_ws.hosts.recorder->RegisterName() : std::string();
        Say(Fill(Catalogue(kTextRegisterUnusable), RegisterNameShown(name), e.what()),
            MsgIcon::Exclamation);
    }
}

bool PlantRegisterBrowser::Open() {
    if (m_ws.hosts.recorder == nullptr) {
        Say(Catalogue(kTextNotRecorded), MsgIcon::Information);
        return false;
    }
    bool read = false;
    Guarded([this, &read] {
        m_register = &m_ws.hosts.recorder->OpenForReading();
        m_instruments = m_register->Instruments();
        read = true;
    });
    if (!read) return false;
    m_tree.clear();
    const plant::Instrument* last = nullptr;
    for (std::size_t i = 0; i < m_instruments.size(); ++i) {
        const auto& in = m_instruments[i];
        const bool newPlant = last == nullptr || last->plant != in.plant;
        if (newPlant) m_tree.push_back({0, in.plant.empty() ? Catalogue(kTextNoPlant) : in.plant});
        if (newPlant || last->area != in.area)
            m_tree.push_back({1, in.area.empty() ? Catalogue(kTextNoArea) : in.area});
        m_tree.push_back({2, Shown(in), static_cast<int>(i)});
        last = &in;
    }
    return true;
}

void PlantRegisterBrowser::ChooseInstrument(int row) {
    m_chosen = row >= 0 && row < static_cast<int>(m_tree.size())
                   ? m_tree[static_cast<std::size_t>(row)].instrument
                   : -1;
    m_records.clear();
    m_defaultRow = -1;
    if (m_chosen < 0 || m_register == nullptr) return;
    const auto& in = m_instruments[static_cast<std::size_t>(m_chosen)];
    Guarded([&] {
        // The history names every model seen under the name; the tree's row
        // is one of them.
        for (auto& record : m_register->History(in.Name())) {
            if (record.instrument.id == in.id) m_records.push_back(std::move(record));
        }
        if (m_records.empty()) return;
        // A failed or stopped download is never what Restore offers first.
        const auto good = m_register->LastGood(in.Name(), m_records.front().fileKind);
        for (std::size_t i = 0; good && i < m_records.size(); ++i) {
            if (m_records[i].id == good->id) m_defaultRow = static_cast<int>(i);
        }
    });
}

std::vector<RegisterRecordRow> PlantRegisterBrowser::RecordRows() const {
    std::vector<RegisterRecordRow> rows;
    for (const auto& r : m_records) {
        const auto found = m_findings.find(r.id);
        rows.push_back({r.time, plant::KindName(r.kind), r.user + "@" + r.host,
                        r.slot > 0 ? std::to_string(r.slot) : std::string(), r.fileName, r.result,
                        r.reason, found == m_findings.end() ? std::string() : found->second});
    }
    return rows;
}

std::optional<plant::Record> PlantRegisterBrowser::Whole(int row) {
    if (row < 0 || row >= static_cast<int>(m_records.size()) || m_register == nullptr) {
        Say(Catalogue(kTextChooseRecord), MsgIcon::Information);
        return std::nullopt;
    }
    auto record = m_register->Get(m_records[static_cast<std::size_t>(row)].id);
    if (!record || record->bytes.empty()) {
        Say(Catalogue(kTextUnreadableRecord), MsgIcon::Exclamation);
        return std::nullopt;
    }
    return record;
}

std::optional<Screen> PlantRegisterBrowser::ShowInChain(const plant::Record& record) {
    const bool program = IsProgram(record);
    if (!m_host.PasswordGate()) return std::nullopt;
    Workspace probe;
    if (!LoadRecord(probe, record)) {
        Say(Catalogue(kTextUnreadableRecord), MsgIcon::Exclamation);
        return std::nullopt;
    }
    m_host.CloseWindow();
    // As the setting menu opens a file: the top menu and the setting menu of
    // the record's kind of data stay under the view, disabled.
    auto* nav = m_ws.hosts.navigation;
    if (nav != nullptr) nav->DisableScreen(Screen::TopMenu);
    m_ws.state.settingMode = program ? shell::SettingMode::Program : shell::SettingMode::Parameter;
    DisplayMatrix(m_ws, program ? NavEvent::kProgramSetting : NavEvent::kParameterSetting);
    if (nav != nullptr) nav->DisableScreen(Screen::SettingMenu);
    LoadRecord(m_ws, record);
    SetCurrentFile(m_ws, TitleInChain(record), "");
    m_ws.state.dataChanged = false;
    if (program) {
        m_ws.state.editorOpenedFromFile = true;
        ShowDisplay(m_ws, Display::ProgramEditor);
        return Screen::ProgramEditor;
    }
    m_ws.state.dataSource = shell::DataSource::File;  // as read from a file
    ShowDisplay(m_ws, Display::DataViewFile);
    return Screen::DataView;
}

void PlantRegisterBrowser::OpenRecord(int row) {
    Guarded([&] {
        if (const auto record = Whole(row)) ShowInChain(*record);
    });
}

void PlantRegisterBrowser::Compare(const std::vector<int>& rows) {
    if (rows.empty() || rows.size() > 2) {
        Say(Catalogue(kTextChooseRecords), MsgIcon::Information);
        return;
    }
    Guarded([&] {
        if (rows.size() == 1) {
            const auto record = Whole(rows[0]);
            if (!record) return;
            if (const auto screen = ShowInChain(*record))
                StartCompareWithInstrument(m_ws, *screen, record->fileKind);
            return;
        }
        auto older = Whole(std::max(rows[0], rows[1]));  // the list is newest first
        auto newer = older ? Whole(std::min(rows[0], rows[1])) : std::nullopt;
        if (!older || !newer) return;
        if (older->fileKind != newer->fileKind) {
            Say(Catalogue(kTextOtherKinds), MsgIcon::Information);
            return;
        }
        const auto differences = plant::DiffSets(older->bytes, newer->bytes, older->fileKind);
        if (differences.empty()) {
            Say(Catalogue(kTextSameValues), MsgIcon::Information);
            return;
        }
        RecordDifferences shown;
        shown.heading =
            Shown(newer->instrument) + ": " + RecordTitle(*older) + " / " + RecordTitle(*newer);
        shown.first = RecordTitle(*older);
        shown.second = RecordTitle(*newer);
        using Side = files::ItemDifference::Side;
        for (const auto& d : differences) {
            shown.rows.push_back(
                {d.address, files::SingleByteToUtf8(d.name),
                 d.side == Side::kSecondOnly ? "(none)" : files::SingleByteToUtf8(d.first),
                 d.side == Side::kFirstOnly ? "(none)" : files::SingleByteToUtf8(d.second)});
        }
        m_host.ShowDifferences(shown);
    });
}

void PlantRegisterBrowser::Restore(const std::vector<int>& rows) {
    if (m_chosen < 0) {
        Say(Catalogue(kTextNoInstrument), MsgIcon::Information);
        return;
    }
    Guarded([&] {
        const auto& in = m_instruments[static_cast<std::size_t>(m_chosen)];
        // Without a record selected: the last good one of the kind of data
        // the instrument's newest record holds.
        const bool picked =
            rows.size() == 1 && rows[0] >= 0 && rows[0] < static_cast<int>(m_records.size());
        const auto kind = picked ? m_records[static_cast<std::size_t>(rows[0])].fileKind
                          : m_records.empty() ? files::DataFileKind::kParameter
                                              : m_records.front().fileKind;
        std::string why;
        const auto record = RestoreRecordFor(
            *m_register, in.Name(), picked ? m_records[static_cast<std::size_t>(rows[0])].id : 0,
            kind, why);
        if (!record) {
            Say(Fill(Catalogue(kTextNothingToRestore), why), MsgIcon::Information);
            return;
        }
        const std::string question =
            Fill(Catalogue(kTextRestoreQuestion), RestoreTitle(*record), Shown(in));
        if (m_ws.hosts.messages == nullptr ||
            m_ws.hosts.messages->Show({files::Utf8ToSingleByte(question),
                                       Catalogue(kTextPlantRegisterCaption), MsgButtons::YesNo,
                                       MsgIcon::Question}) != MsgAnswer::Yes)
            return;
        if (const auto screen = ShowInChain(*record))
            StartRestore(m_ws, *record, *screen, m_host.RestoreQuestions());
    });
}

std::string PlantRegisterBrowser::Export(const std::vector<int>& rows) {
    std::string written;
    if (rows.size() != 1) {
        Say(Catalogue(kTextChooseRecord), MsgIcon::Information);
        return written;
    }
    Guarded([&] {
        const auto record = Whole(rows[0]);
        if (!record) return;
        const bool program = IsProgram(*record);
        // The save dialog of the record's kind of data: in the user's folder
        // of that data, offering the record's file name.
        FileDialogSpec dialog;
        dialog.save = true;
        dialog.title = Catalogue(kTextSaveAs);
        dialog.filter = program ? Catalogue(kTextProgramFile) + "(*.7pr)|*.7pr"
                                : Catalogue(kTextParameterFile) + "(*.7pa)|*.7pa";
        dialog.defaultExt = program ? "7pr" : "7pa";
        dialog.startFolder = m_ws.config.FilePath(program ? "User\\PROGRAM" : "User\\PARAMETER");
        std::error_code ec;
        std::filesystem::create_directories(platform::PathFromUtf8(dialog.startFolder), ec);
        dialog.initialName = TitleInChain(*record);
        dialog.overwritePrompt = true;
        dialog.pathMustExist = true;
        dialog.refuseReadOnly = true;
        for (;;) {
            auto choice = m_host.FileDialog().Show(dialog);
            if (!choice || choice->fileName.empty()) return;
            std::string problem;
            const auto path = files::SaveNameFor(choice->fileName, record->fileKind, problem);
            if (!path) {
                Say(problem, MsgIcon::Exclamation);
                continue;
            }
            // The names the open dialog and the instruments' file names take.
            DialogFileName name{files::FileTitleOf(*path), *path, dialog.title};
            if (!CheckDialogFileName(m_ws, name)) continue;
            const auto error = files::ReplaceFileContents(*path, record->bytes);
            if (error != files::FileError::Ok) {
                files::ReportFileError(m_ws.hosts, error, dialog.title);
                continue;
            }
            written = *path;
            return;
        }
    });
    return written;
}

void PlantRegisterBrowser::Name() {
    if (m_chosen < 0 || m_records.empty()) {
        Say(Catalogue(kTextNoInstrument), MsgIcon::Information);
        return;
    }
    Guarded([&] {
        const auto& in = m_instruments[static_cast<std::size_t>(m_chosen)];
        const auto name = m_host.AskName(in.Name());
        if (!name || Trim(*name).empty()) return;
        m_register->Rename(m_records.front().id, Trim(*name));
        Open();
    });
}

void PlantRegisterBrowser::Print(const std::vector<int>& rows) {
    if (m_chosen < 0) {
        Say(Catalogue(kTextNoInstrument), MsgIcon::Information);
        return;
    }
    Guarded([&] {
        const auto& in = m_instruments[static_cast<std::size_t>(m_chosen)];
        auto single = [](const std::string& utf8) { return files::Utf8ToSingleByte(utf8); };
        std::vector<print::ReportTable> tables(1);
        tables[0].title = single(Fill(Catalogue(kTextHistoryOf), Shown(in)));
        tables[0].format = kHistoryFormat;
        for (int c = 0; c < 6; ++c) tables[0].heading.push_back(Catalogue(kTextRecordTime + c));
        tables[0].heading.push_back(Catalogue(kTextRecordReason));
        for (const auto& r : RecordRows())
            tables[0].rows.push_back({r.time, r.kind, single(r.who), r.slot, single(r.file),
                                      single(r.result), single(r.reason)});
        if (rows.size() == 1) {
            const auto record = Whole(rows[0]);
            if (record && !record->changes.empty()) {
                print::ReportTable changes;
                changes.title = single(Fill(Catalogue(kTextChangesOf), RecordTitle(*record)));
                changes.format = kChangesFormat;
                changes.heading = {Catalogue(kTextDiffAddress), Catalogue(kTextDiffAddress + 1),
                                   Catalogue(kTextChangeBefore), Catalogue(kTextChangeBefore + 1)};
                for (const auto& c : record->changes)
                    changes.rows.push_back(
                        {c.address, single(c.name), single(c.before), single(c.after)});
                tables.push_back(std::move(changes));
            }
        }
        // The printout ends with the chain's head, to be checked against
        // the register later (register verify --checkpoint).
        if (const auto head = m_register->Head(); !head.Empty()) {
            print::ReportTable chain;
            chain.title = Catalogue(kTextChainHead);
            chain.format = kHeadFormat;
            for (int c = 0; c < 3; ++c) chain.heading.push_back(Catalogue(kTextChainHeadRecord + c));
            chain.rows.push_back(
                {std::to_string(head.id), std::to_string(head.sequence), head.hash});
            tables.push_back(std::move(chain));
        }
        const std::string title = single(Catalogue(kTextPlantRegisterCaption) + ": " + Shown(in));
        m_host.PrintReport(
            [tables, title](print::PrintControl& control, const print::ReportSetup& setup) {
                return print::PrintTables(control, title, tables, setup);
            });
    });
}

std::string PlantRegisterBrowser::Verify() {
    std::string line;
    Guarded([&] {
        if (m_register == nullptr) return;
        const auto headFile = m_ws.hosts.recorder->HeadFile();
        std::vector<plant::KnownHead> known;
        if (const auto kept = plant::ReadHead(headFile)) known.push_back({*kept, "this computer"});
        const auto report = m_register->Verify(known);
        m_findings.clear();
        for (const auto& f : report.findings) {
            if (f.id != 0) m_findings.emplace(f.id, plant::FindingName(f.kind));
        }
        if (report.Intact()) {
            plant::KeepHead(headFile, report.head, m_ws.hosts.recorder->RegisterName());
            line = Fill(Catalogue(kTextChainIntact), std::to_string(report.records));
            return;
        }
        std::string found;
        constexpr std::size_t kNamed = 3;  // the rest are counted; the list marks them all
        for (std::size_t i = 0; i < report.findings.size() && i < kNamed; ++i)
            found += (found.empty() ? "" : "; ") + report.findings[i].text;
        if (report.findings.size() > kNamed)
            found += "; and " + std::to_string(report.findings.size() - kNamed) + " more";
        line = Fill(Catalogue(kTextChainBroken), found);
    });
    return line;
}

}  // namespace rq50::session
