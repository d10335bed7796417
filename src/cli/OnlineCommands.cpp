// rq50-cli commands that work on an instrument online: the online page,
// single reads and writes, periodic reading, cancelling a forced output, the
// baud rate and the rack slot.

#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "cli/InstrumentSession.h"
#include "cli/TerminalFilter.h"
#include "comm/Engine.h"
#include "comm/jobs/Jobs.h"
#include "comm/jobs/Password.h"
#include "files/Compare.h"
#include "files/SaveTarget.h"
#include "files/SettingFile.h"
#include "files/Workspace.h"
#include "parameter/ItemBlock.h"
#include "parameter/ItemEdit.h"
#include "parameter/PageModel.h"
#include "parameter/Trend.h"
#include "parameter/ValueRules.h"
#include "session/CoreSession.h"
#include "shell/Catalogue.h"
#include "shell/Clock.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/PlatformFile.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace rq50::cli {

using namespace rq50::comm;

namespace {

/// The CSV file of a monitor run. Nothing touches the file before the first
/// reading, so a run that reaches no instrument leaves it as it was. A new
/// file grows a reading at a time (a run cut short keeps its readings); an
/// existing one (--force) stays whole until the run ends, the readings going
/// to a file beside it that then takes its name.
class MonitorCsv {
  public:
    MonitorCsv(std::string path, bool replacing)
        : m_path(std::move(path)), m_replacing(replacing) {}
    ~MonitorCsv() {
        if (m_out.is_open() && m_replacing) {
            m_out.close();
            std::error_code ec;
            std::filesystem::remove(m_writing, ec);
        }
    }
    bool Add(const std::string& text) {
        if (!m_out.is_open()) {
            m_writing = m_path;
            if (m_replacing) m_writing += ".part";
            m_out.open(shell::platform::PathFromUtf8(m_writing),
                       std::ios::binary | std::ios::trunc);
        }
        m_out << text << std::flush;
        return static_cast<bool>(m_out);
    }
    /// The file whole under its name; false when it could not be written.
    bool Finish() {
        if (!m_out.is_open()) return true;
        m_out.close();
        if (m_out.fail()) return false;
        if (!m_replacing) return true;
        std::error_code ec;
        std::filesystem::rename(shell::platform::PathFromUtf8(m_writing),
                                shell::platform::PathFromUtf8(m_path), ec);
        return !ec;
    }

  private:
    std::string m_path;
    std::string m_writing;
    bool m_replacing = false;
    std::ofstream m_out;
};

}  // namespace

// ------------------------------------------------------------ device settings

ExitCode RunBaud(session::CoreSession& core, int rate) {
    Session session(core);
    if (!session.Attach()) return ExitCode::SystemError;
    if (!session.RunJob(kJobBaudCheck, shell::Catalogue(kTextBaudRateSetting)))
        return ExitCode::SystemError;
    if (!jobs::StartBaudRateChange(core.Engine(), rate)) return ExitCode::SystemError;
    core.Engine().RunCommJob(kJobLimitMs, Stopped);
    return ExitOf(core.Engine().LastOutcome().code == kErrNone);
}

ExitCode RunSlot(session::CoreSession& core, const std::string& text) {
    Session session(core);
    const auto slot = jobs::ParseSlotEntry(text);
    if (!slot) {
        shell::ShowMessage(core.Data().hosts, kMsgIllegalValue, shell::MsgButtons::Ok,
                           shell::Catalogue(kTextSlotCaption));
        Note("the slot number is a whole number from 1 to 16");
        return ExitCode::Usage;
    }
    session.Host().slotAnswer = *slot;
    if (!session.Attach()) return ExitCode::SystemError;
    const bool ok = session.RunJob(kJobSlot, shell::Catalogue(kTextSlotCaption));
    if (ok && core.Engine().LastOutcome().facts.rackAnswered) {
        std::cout << "slot " << *slot << ": " << shell::Trim(core.Engine().LastOutcome().slotModel)
                  << "\n";
        if (!Link().quiet) {
            Note("the rack interface forgets the slot when the line closes; give --slot " +
                 std::to_string(*slot) + " to the commands that work on this instrument");
        }
    }
    return ExitOf(ok && core.Engine().LastOutcome().facts.rackAnswered);
}

// ------------------------------------------------------------ online page

const std::vector<std::string>& CategoryNames() {
    static const std::vector<std::string> kNames = {"display", "set", "adjust", "maint"};
    return kNames;
}

namespace {

parameter::PageCategory CategoryOf(const std::string& name) {
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto& names = CategoryNames();
    const auto it = std::find(names.begin(), names.end(), lower);
    return static_cast<parameter::PageCategory>(it == names.end() ? 0 : it - names.begin());
}

ordered_json RowJson(const parameter::PageModel& page, int row) {
    const auto& c = page.Rows()[static_cast<std::size_t>(row)];
    const int kind = c[parameter::kColKind].empty() ? 0 : std::atoi(c[parameter::kColKind].c_str());
    return ordered_json{{"row", row},
                        {"address", shell::Trim(c[parameter::kColAddress])},
                        {"name", JsonText(c[parameter::kColName])},
                        {"data", JsonText(c[parameter::kColData])},
                        {"aux", JsonText(c[parameter::kColAux])},
                        {"ma", std::atoi(c[parameter::kColMa].c_str())},
                        {"mb", std::atoi(c[parameter::kColMb].c_str())},
                        {"mc", std::atoi(c[parameter::kColMc].c_str())},
                        {"kind", kind},
                        {"kindName", KindName(kind)}};
}

/// The columns of a grid row in text: row, address, name, data, auxiliary
/// text, MA, MB, MC and data kind. PrintColumnHeads names them.
void PrintRow(const parameter::PageModel& page, int row) {
    const auto& c = page.Rows()[static_cast<std::size_t>(row)];
    std::cout << std::setw(2) << row << " " << std::left << std::setw(5) << c[0] << std::setw(13)
              << FieldText(c[1]) << std::setw(17) << FieldText(c[2]) << std::setw(9)
              << FieldText(c[3]) << std::right << std::setw(3) << c[4] << std::setw(3) << c[5]
              << std::setw(3) << c[6] << std::setw(5) << c[7] << "\n";
}

void PrintColumnHeads() {
    std::cout << std::setw(2) << "#"
              << " " << std::left << std::setw(5) << "ADDR" << std::setw(13) << "NAME"
              << std::setw(17) << "DATA" << std::setw(9) << "AUX" << std::right << std::setw(3)
              << "MA" << std::setw(3) << "MB" << std::setw(3) << "MC" << std::setw(5) << "KIND"
              << "\n";
}

void PrintPage(const parameter::PageModel& page) {
    if (Link().json) {
        ordered_json rows = ordered_json::array();
        for (int row = 1; row <= parameter::kPageRows; ++row) {
            if (!shell::Trim(page.Cell(row, parameter::kColAddress)).empty())
                rows.push_back(RowJson(page, row));
        }
        PrintJson({{"category", parameter::PageModel::CategoryTitle(page.Category())},
                   {"tab", page.ConfirmedTab()},
                   {"tabs", page.TabNames()},
                   {"items", rows}});
        return;
    }
    std::cout << "tabs:";
    for (std::size_t i = 0; i < page.TabNames().size(); ++i) {
        std::cout << (static_cast<int>(i) + 1 == page.ConfirmedTab() ? " [" : " ")
                  << page.TabNames()[i]
                  << (static_cast<int>(i) + 1 == page.ConfirmedTab() ? "]" : "");
    }
    std::cout << "\n";
    PrintColumnHeads();
    for (int row = 1; row <= parameter::kPageRows; ++row) PrintRow(page, row);
}

/// Job 3 and the category's first page, with the page model attached.
class OnlineSession {
  public:
    OnlineSession(session::CoreSession& core, parameter::PageCategory category)
        : core(core), session(core), page(category, core.Data().hosts) {
        core.Engine().AttachPageModel(&page);
        page.SetDownloadAllowed(!files::PasswordIsStored(core.Data()));
    }
    bool Open() {
        if (!session.Attach()) return false;
        if (!session.RunJob(kJobConnect, shell::Catalogue(kTextSet))) return false;
        return Ran(page.OpenCategory(Starter()));
    }
    /// Starts the job the page model chose; the model finishes its own part
    /// of the start before the job runs (Ran).
    parameter::JobStarter Starter() {
        return [this](comm::Job job, const std::string& title) {
            return core.Engine().StartCommJob({job, title});
        };
    }
    /// Runs the job a page action started; true when one ran and ended well.
    bool Ran(bool started) {
        if (!started) return false;
        core.Engine().RunCommJob(kJobLimitMs, Stopped);
        return core.Engine().LastOutcome().code == kErrNone;
    }
    session::CoreSession& core;
    Session session;
    parameter::PageModel page;
};

}  // namespace

ExitCode RunPage(session::CoreSession& core, const PageOptions& o) {
    OnlineSession online(core, CategoryOf(o.category));
    if (!online.Open()) return Stopped() ? StoppedExit() : ExitCode::SystemError;
    if (o.tab != 1) {
        if (o.tab > static_cast<int>(online.page.TabNames().size())) {
            Note("--tab " + std::to_string(o.tab) + ": the category has " +
                 std::to_string(online.page.TabNames().size()) + " tabs");
            return ExitCode::Usage;
        }
        if (!online.Ran(online.page.ClickTab(o.tab, online.Starter()))) return ExitCode::SystemError;
    }
    for (int remaining = o.next; remaining > 0;) {
        const int entry = remaining >= parameter::kMovePage ? 6 : std::min(remaining, 5) - 1;
        if (!online.page.Move(true, entry, core.Engine().Busy(), online.Starter())) break;
        if (!online.Ran(true)) return ExitCode::SystemError;
        remaining -= entry == 6 ? parameter::kMovePage : entry + 1;
    }
    for (int remaining = o.previous; remaining > 0;) {
        const int entry = remaining >= parameter::kMovePage ? 6 : std::min(remaining, 5) - 1;
        if (!online.page.Move(false, entry, core.Engine().Busy(), online.Starter())) break;
        if (!online.Ran(true)) return ExitCode::SystemError;
        remaining -= entry == 6 ? parameter::kMovePage : entry + 1;
    }
    PrintPage(online.page);
    return ExitCode::Ok;
}

/// The grid row of an address, after moving through the tabs of the category.
namespace {

int FindRow(session::CoreSession& core, OnlineSession& online, const std::string& address) {
    auto& page = online.page;
    const auto wanted = parameter::ParseAddress(address);
    const std::string text = wanted ? parameter::FormatAddress(wanted->first, wanted->second) : "";
    const std::size_t tabs = page.TabNames().size();
    for (std::size_t tab = 1; tab <= std::max<std::size_t>(tabs, 1); ++tab) {
        if (static_cast<int>(tab) != page.CurrentTab()) {
            if (!online.Ran(page.ClickTab(static_cast<int>(tab), online.Starter()))) return 0;
        }
        for (int guard = 0; guard < 64; ++guard) {
            for (int row = 1; row <= parameter::kPageRows; ++row) {
                if (shell::Trim(page.Cell(row, parameter::kColAddress)) == text) return row;
            }
            if (!page.Move(true, 6, core.Engine().Busy(), online.Starter())) break;
            if (!online.Ran(true)) return 0;
        }
    }
    return 0;
}

int OpenAndRead(session::CoreSession& core, OnlineSession& online, const PageOptions& o) {
    if (!parameter::ParseAddress(o.address)) {
        Note("\"" + o.address +
             "\" is no item address; an address is a group letter and a number, "
             "e.g. C02");
        return -2;
    }
    if (!online.Open()) return -1;
    online.page.SetReading(false);
    online.page.SetGridLocked(false);
    const int row = FindRow(core, online, o.address);
    if (row == 0) {
        if (core.Engine().LastOutcome().code == kErrNone) {
            Note("no item at " + o.address + " in " +
                 parameter::PageModel::CategoryTitle(online.page.Category()) +
                 "; --category names the category that holds it");
        }
        return -1;
    }
    if (!online.Ran(online.page.OpenItem(row, online.Starter()))) return -1;
    return row;
}

/// The item of a grid row as the last job left it.
parameter::DecodedItem RowItem(const parameter::PageModel& page, int row) {
    const auto index = static_cast<std::size_t>(row - 1);
    if (row >= 1 && index < page.WorkingCopy().size())
        return parameter::DecodeItem(page.WorkingCopy()[index], false);
    return {};
}

bool Writable(const parameter::PageModel& page) {
    const int kind = page.Edit().kind;
    return kind != parameter::kKindShown && kind != parameter::kKindMeasured &&
           kind != parameter::kKindOther;
}

ordered_json ItemJson(const parameter::PageModel& page, int row) {
    auto item = RowJson(page, row);
    item["writable"] = Writable(page);
    item["allowed"] = parameter::AllowedValues(page.Edit());
    ordered_json choices = ordered_json::array();
    for (const auto& choice : page.Edit().choices.entries) {
        choices.push_back({{"code", choice.code},
                           {"text", JsonText(choice.listText)},
                           {"current", choice.code == page.Edit().choices.currentCode}});
    }
    item["choices"] = choices;
    return item;
}

/// The item of a grid row, its choices with the code `current` marked, and
/// what it takes.
void PrintItem(const parameter::PageModel& page, int row, int current) {
    PrintColumnHeads();
    PrintRow(page, row);
    if (!page.Edit().choices.entries.empty()) std::cout << "choices (* the one held):\n";
    for (const auto& choice : page.Edit().choices.entries) {
        std::cout << (choice.code == current ? "* " : "  ") << choice.code << ": "
                  << FieldText(choice.listText) << "\n";
    }
    std::cout << "takes " << parameter::AllowedValues(page.Edit()) << "\n";
}

}  // namespace

ExitCode RunRead(session::CoreSession& core, const PageOptions& o) {
    OnlineSession online(core, CategoryOf(o.category));
    const int row = OpenAndRead(core, online, o);
    if (row == -2) return ExitCode::Usage;
    if (row < 0) return Stopped() ? StoppedExit() : ExitCode::SystemError;
    if (Link().json) {
        PrintJson(ItemJson(online.page, row));
    } else {
        PrintItem(online.page, row, online.page.Edit().choices.currentCode);
    }
    return ExitCode::Ok;
}

ExitCode RunWrite(session::CoreSession& core, const PageOptions& o) {
    if (!DownloadAllowed(core, o.password)) return ExitCode::SystemError;
    OnlineSession online(core, CategoryOf(o.category));
    online.page.SetDownloadAllowed(true);
    const int row = OpenAndRead(core, online, o);
    if (row == -2) return ExitCode::Usage;
    if (row < 0) return Stopped() ? StoppedExit() : ExitCode::SystemError;
    auto& page = online.page;
    if (!Writable(page) || !page.Controls().writeEnabled) {
        Note(o.address + " cannot be written");
        return ExitCode::SystemError;
    }
    int chosen = -1;
    int chosenCode = page.Edit().mc;
    if (page.Edit().kind == parameter::kKindSelection) {
        const auto pick = parameter::PickChoice(page.Edit().choices, o.value);
        const auto& entries = page.Edit().choices.entries;
        if (pick.index < 0) {
            Note("\"" + o.value + "\" " +
                 (pick.candidates.empty() ? "is none of the choices of " + o.address
                                          : "names several choices of " + o.address) +
                 "; give one of:");
            for (const auto& choice : entries) {
                const bool candidate = pick.candidates.empty() ||
                                       std::find(pick.candidates.begin(), pick.candidates.end(),
                                                 &choice - entries.data()) != pick.candidates.end();
                if (candidate) std::cerr << "  " << choice.code << ": " << choice.listText << "\n";
            }
            return ExitCode::SystemError;
        }
        chosen = pick.index;
        chosenCode = entries[static_cast<std::size_t>(chosen)].code;
    } else if (!parameter::CheckEntry(o.value, page.Edit()).valid) {
        shell::ShowMessage(core.Data().hosts, kMsgIllegalValue, shell::MsgButtons::Ok,
                           shell::Catalogue(kTextWrite));
        Note(o.address + ": " + o.value + " is " + parameter::WhyRefused(o.value, page.Edit()) +
             "; " + o.address + " takes " + parameter::AllowedValues(page.Edit()));
        return ExitCode::SystemError;
    }
    const std::string sent = page.Edit().kind == parameter::kKindSelection
                                 ? std::string()
                                 : parameter::CheckEntry(o.value, page.Edit()).sendText;
    if (!online.Ran(page.Write(o.value, chosen, online.Starter())))
        return Stopped() ? StoppedExit() : ExitCode::SystemError;
    const auto held = RowItem(page, row);
    const bool same = parameter::HoldsAskedValue(o.value, page.Edit(), held, chosenCode);
    const std::string shown = files::ShownValue(held);
    if (Link().json) {
        auto document = RowJson(page, row);
        document["asked"] = o.value;
        document["sent"] = shell::Trim(sent);
        document["held"] = JsonText(shown);
        document["asExpected"] = same;
        PrintJson(document);
    } else {
        // The choices were read before the write: the mark moves to the code
        // the instrument holds now.
        PrintItem(page, row, held.mc);
    }
    if (!same) {
        Note("asked " + o.value + ", instrument holds " + shown);
        return ExitCode::SystemError;
    }
    return ExitCode::Ok;
}

ExitCode RunMonitor(session::CoreSession& core, const PageOptions& o) {
    OnlineSession online(core, parameter::PageCategory::Display);
    std::optional<MonitorCsv> csv;
    if (!o.csv.empty()) {
        if (const auto problem = files::OutputTargetProblem(o.csv, {}, o.force); !problem.empty()) {
            Note(problem);
            return ExitCode::SystemError;
        }
        shell::platform::TargetStatus existing;
        shell::platform::StatusOf(shell::platform::PathFromUtf8(o.csv), existing);
        csv.emplace(o.csv, existing.exists);
    }
    bool csvWritten = true;
    if (!online.Open()) return Stopped() ? StoppedExit() : ExitCode::SystemError;
    auto& page = online.page;
    if (page.Window().measured.empty()) {
        Note("the DISPLAY page holds no measured items");
        return ExitCode::SystemError;
    }
    // The readings go into a trend, as on the desktop program's page: the
    // CSV is the trend window's export, written a reading at a time.
    parameter::Trend trend;
    int readings = 0;
    page.SetReadingObserver([&](bool read, std::int64_t atMs) {
        trend.Add(page, read, atMs);
        ++readings;
    });
    shell::Clock& clock = *core.Data().hosts.clock;
    const std::int64_t start = clock.NowMs();
    int failed = 0;
    for (int i = 0; !Stopped(); ++i) {
        if (o.durationS > 0 && clock.NowMs() - start >= std::int64_t{o.durationS} * 1000) break;
        if (o.count > 0 && i >= o.count) break;
        // Readings start every interval, however long one takes.
        const std::int64_t due = start + std::int64_t{i} * o.intervalS * 1000;
        if (clock.NowMs() < due) clock.Wait(static_cast<std::int32_t>(due - clock.NowMs()));
        if (Stopped()) break;
        const int before = readings;
        if (!core.Engine().StartCommJob({kJobPeriodicRead, shell::Catalogue(kTextPeriodicRead)}))
            return ExitCode::SystemError;
        core.Engine().RunCommJob(kJobLimitMs, Stopped);
        if (Stopped() || readings == before) break;
        // A reading that failed is a gap in the series, not a stop.
        const parameter::TrendSample& sample = trend.Samples().back();
        if (!sample.read) ++failed;
        const std::string stamp = trend.IsoTime(sample.ms);
        ordered_json values = ordered_json::array();
        if (!Link().json) std::cout << stamp << (sample.read ? "" : "  (no reading)");
        for (std::size_t n = 0; n < trend.Series().size(); ++n) {
            const auto& m = page.Window().measured[n];
            const std::string name = shell::Trim(page.Cell(m.row, parameter::kColName));
            const std::string data =
                sample.read ? shell::Trim(page.Cell(m.row, parameter::kColData)) : "";
            values.push_back(
                {{"address", shell::Trim(page.Cell(m.row, parameter::kColAddress))},
                 {"name", JsonText(name)},
                 {"value", sample.read ? ordered_json(JsonText(data)) : ordered_json()},
                 {"aux", JsonText(page.Cell(m.row, parameter::kColAux))}});
            if (!Link().json && sample.read) std::cout << "  " << name << " " << data;
        }
        if (Link().json) {
            std::cout << JsonWithoutC1(ordered_json{{"time", stamp}, {"values", values}}.dump())
                      << std::endl;
        } else {
            std::cout << std::endl;
        }
        if (csv)
            csvWritten =
                csv->Add((before == 0 ? trend.CsvHead() : "") + trend.CsvRow(sample)) && csvWritten;
    }
    if (failed > 0) Note(std::to_string(failed) + " readings failed; their cells are empty");
    if (csv && !(csv->Finish() && csvWritten)) {
        Note("the CSV file " + o.csv + " was not completely written");
        return ExitCode::SystemError;
    }
    if (Stopped()) return StoppedExit();
    return failed == 0 ? ExitCode::Ok : ExitCode::SystemError;
}

ExitCode RunCancelOutput(session::CoreSession& core) {
    OnlineSession online(core, parameter::PageCategory::Adjust);
    if (!online.Open()) return Stopped() ? StoppedExit() : ExitCode::SystemError;
    auto& page = online.page;
    page.SetReading(false);
    const auto before = page.Rows();
    if (!online.Ran(page.CancelForcedOutput(online.Starter())))
        return Stopped() ? StoppedExit() : ExitCode::SystemError;
    // The job reads an item again; say what it holds now and what changed.
    int changed = 0;
    for (int row = 1; row <= parameter::kPageRows; ++row) {
        const auto& now = page.Rows()[static_cast<std::size_t>(row)];
        if (shell::Trim(now[parameter::kColAddress]).empty()) continue;
        const auto& was = before[row];
        if (now[parameter::kColData] == was[parameter::kColData] &&
            now[parameter::kColAux] == was[parameter::kColAux] && row != page.FirstItemRow())
            continue;
        auto value = [](const auto& cells) {
            const std::string aux = shell::Trim(cells[parameter::kColAux]);
            return shell::Trim(cells[parameter::kColData]) + (aux.empty() ? "" : " " + aux);
        };
        std::cout << shell::Trim(now[parameter::kColAddress]) << " "
                  << shell::Trim(now[parameter::kColName]) << " = " << value(now);
        if (now[parameter::kColData] != was[parameter::kColData] ||
            now[parameter::kColAux] != was[parameter::kColAux]) {
            ++changed;
            std::cout << " (was " << value(was) << ")";
        }
        std::cout << "\n";
    }
    if (changed == 0) std::cout << "nothing changed\n";
    return ExitCode::Ok;
}

}  // namespace rq50::cli
