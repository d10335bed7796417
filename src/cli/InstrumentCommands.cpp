// rq50-cli commands that talk to an instrument: upload, download, program
// upload and download, the online page, single reads and writes, periodic
// reading, cancelling a forced output, the baud rate and the rack slot.
//
// With --port the commands use a serial device (a COMn name of the settings
// or any device path). Without it they run against the built-in simulated
// instrument (sim/instruments/RQB2.json unless --sim names another file) on
// virtual time, so every command can be tried without hardware.

#include "cli/Cli.h"
#include "cli/CliHosts.h"
#include "comm/CommLog.h"
#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/Frame.h"
#include "comm/jobs/DownloadStop.h"
#include "comm/jobs/Jobs.h"
#include "comm/jobs/Password.h"
#include "files/DataSet.h"
#include "files/InformationRecord.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/RecordFile.h"
#include "parameter/ItemBlock.h"
#include "parameter/PageModel.h"
#include "parameter/ValueRules.h"
#include "program/ProgramTypes.h"
#include "shell/AppPaths.h"
#include "shell/Catalogue.h"
#include "shell/Clock.h"
#include "shell/ConfigTables.h"
#include "shell/CoreSession.h"
#include "shell/GlobalState.h"
#include "shell/MessageBox.h"
#include "shell/Navigation.h"
#include "shell/Services.h"
#include "shell/SettingFile.h"
#include "sim/Instrument.h"
#include "sim/SimulatedLine.h"

#ifdef RQ50_HAVE_QT_PORT
#include "platform/QtSerialPort.h"
#endif

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

namespace rq50::cli {

namespace {

using namespace rq50::comm;

constexpr int kMsgStartPrompt = 1;
constexpr int kMsgIllegalValue = 13;
constexpr int kMsgWrongPassword = 50;
constexpr int kTextUpload = 2112;
constexpr int kTextSet = 2111;
constexpr int kTextDownload = 2403;
constexpr int kTextProgramUpload = 2115;
constexpr int kTextProgramDownload = 1551;
constexpr int kTextBaudRate = 2130;
constexpr int kTextSlot = 4101;
constexpr int kTextPeriodicRead = 2315;
constexpr int kTextRead = 2316;
constexpr int kTextWrite = 2308;
constexpr int kTextCancelOutput = 2366;
constexpr std::int64_t kJobLimitMs = 60 * 60 * 1000;

/// Options every instrument command reads (given before or after the command).
struct LinkOptions {
    std::string port;
    int speed = 1200;
    int slot = 0;
    bool log = false;
    bool quiet = false;
    std::string sim;
};

LinkOptions& Link() {
    static LinkOptions options;
    return options;
}

/// Progress on stderr, the SLOT No. dialog answered by --slot.
class CliCommHost : public CommHost {
  public:
    std::optional<int> slotAnswer;
    void ShowProgress(int value) override {
        if (Link().quiet || !isatty(STDERR_FILENO)) return;
        std::cerr << "\r" << CommTitle << " " << std::setw(3) << value << "%" << std::flush;
        m_shown = true;
    }
    void CloseCommDialog() override {
        if (m_shown) std::cerr << "\r" << std::string(CommTitle.size() + 6, ' ') << "\r";
        m_shown = false;
    }
    std::optional<int> AskSlot() override {
        if (!slotAnswer) {
            std::cerr << "rq50-cli: a rack interface asks for the slot number; pass --slot N\n";
        }
        return slotAnswer;
    }

  private:
    bool m_shown = false;
};

/// One run against an instrument: the core session of the run lends it the
/// command's communication host, port and clock.
class Session {
  public:
    Session() {
        m_host.slotAnswer = Link().slot > 0 ? std::optional<int>(Link().slot) : std::nullopt;
        Core().UseCommHost(&m_host);
        CommSpeed = Link().speed;
        shell::G().instrumentSpeed = Link().speed;
        LogFileOn = Link().log;
        if (LogFileOn) {
            // The log is written only into an existing folder; --log asks for it.
            std::error_code ec;
            std::filesystem::create_directories(shell::AppFilePath("User"), ec);
        }
    }
    ~Session() {
        if (m_port && m_port->IsOpen()) m_port->Close();
        jobs::AttachPageModel(nullptr);
        Core().AttachPort(nullptr);
        Core().UseCommHost(nullptr);
        if (m_clockReplaced) Core().UseClock(m_savedClock);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// Opens the line; false (with the reason on stderr) when it cannot be.
    bool Attach() {
        if (!Link().port.empty()) {
#ifdef RQ50_HAVE_QT_PORT
            const std::string& p = Link().port;
            if (p.size() == 4 && p.rfind("COM", 0) == 0 && p[3] >= '1' && p[3] <= '4') {
                shell::G().comPort = static_cast<std::int16_t>(p[3] - '0');
                CommSettings.deviceOverride.clear();
            } else {
                CommSettings.deviceOverride = p;
            }
            m_port = std::make_unique<platform::QtSerialPort>();
            Core().AttachPort(m_port.get());
            return true;
#else
            std::cerr << "rq50-cli: this build has no serial-port support; leave out --port\n";
            return false;
#endif
        }
        const std::string file =
            Link().sim.empty() ? std::string(RQ50_SIM_INSTRUMENTS_DIR) + "/RQB2.json" : Link().sim;
        try {
            m_instrument = std::make_unique<sim::Instrument>(sim::Instrument::FromFile(file));
        } catch (const std::exception& e) {
            std::cerr << "rq50-cli: " << e.what() << "\n";
            return false;
        }
        if (!Link().quiet)
            std::cerr << "rq50-cli: no --port given: simulated instrument " << file << "\n";
        m_savedClock = shell::Svc().clock;
        m_clockReplaced = true;
        Core().UseClock(&m_virtualClock);
        m_port = std::make_unique<sim::SimulatedLine>(m_virtualClock, m_instrument.get());
        Core().AttachPort(m_port.get());
        return true;
    }

    /// The prompt of every starting screen, then the job.
    bool RunJob(int job, const std::string& title, bool prompt = true) {
        if (prompt) shell::RQ0000fnc_nShowMsgBox(kMsgStartPrompt, shell::kButtonsOkCancel, title);
        CommTitle = title;
        if (!StartCommJob(job)) return false;
        RunCommJob(kJobLimitMs);
        return CommResult == kErrNone;
    }

    CliCommHost& Host() {
        return m_host;
    }

  private:
    CliServices m_services;
    CliCommHost m_host;
    shell::VirtualClock m_virtualClock;
    shell::Clock* m_savedClock = nullptr;
    bool m_clockReplaced = false;
    std::unique_ptr<sim::Instrument> m_instrument;
    std::unique_ptr<SerialPort> m_port;
};

int ExitOf(bool ok) {
    return ok ? kExitOk : kExitSystemError;
}

std::string Trim(const std::string& text) {
    return jobs::TrimBlanks(text);
}

// ------------------------------------------------------------ upload

struct UploadOptions {
    std::string output;
    std::map<int, std::string> boxes;
};

int RunUpload(const UploadOptions& o) {
    Session session;
    if (!session.Attach()) return kExitSystemError;
    if (!session.RunJob(kJobUpload, shell::Catalogue(kTextUpload))) return kExitSystemError;
    auto& information = files::CurrentInformation();
    if (!o.boxes.empty()) {
        auto form = files::InfoFormFromRecord(information);
        for (auto [box, text] : o.boxes) {
            if (!files::ValidateInfoField(box, text)) return kExitSystemError;
            form.boxes[static_cast<std::size_t>(box)] = text;
        }
        if (!files::ApplyInformationOk(form, information)) return kExitSystemError;
    }
    files::SetInformationFileName(information, files::FileTitleOf(o.output));
    if (!files::WriteParameterFile(o.output)) return kExitSystemError;
    if (!Link().quiet) {
        std::cerr << "rq50-cli: " << parameter::Items().dataSet.size() << " items of model "
                  << Trim(files::CurrentDataSetHeader().model) << " saved to " << o.output << "\n";
    }
    return kExitOk;
}

// ------------------------------------------------------------ download

struct DownloadOptions {
    std::string file;
    std::optional<std::string> password;
};

void PrintCheckList() {
    const auto& list = jobs::Results().downloadCheck;
    if (list.empty()) return;
    std::cout << std::left << std::setw(8) << "Address" << std::setw(14) << "" << std::setw(20)
              << "Send Data"
              << "Data that has been set\n";
    for (const auto& e : list) {
        std::cout << std::left << std::setw(8) << Trim(parameter::FormatAddress(e.ma, e.mb))
                  << std::setw(14) << Trim(e.sentName) << std::setw(20)
                  << Trim(e.sentData) + Trim(e.sentAux) << jobs::CheckEntrySetText(e) << "\n";
    }
}

/// With a stored password the download needs it, as the password entry of
/// the top menu asks for it.
bool DownloadAllowed(const std::optional<std::string>& password) {
    if (!shell::PasswordIsStored()) return true;
    shell::ReadSettingFile();
    if (password && jobs::DownloadAllowedWith(shell::G().storedPassword, *password)) return true;
    shell::RQ0000fnc_nShowMsgBox(kMsgWrongPassword, shell::kButtonsOk, "");
    return false;
}

int RunDownload(const DownloadOptions& o) {
    Session session;
    if (!DownloadAllowed(o.password)) return kExitSystemError;
    if (!files::ReadParameterFile(o.file, files::FileTitleOf(o.file))) return kExitSystemError;
    if (!session.Attach()) return kExitSystemError;
    const bool ok = session.RunJob(kJobDownload, shell::Catalogue(kTextDownload));
    PrintCheckList();
    return ExitOf(ok && jobs::Results().downloadCheck.empty());
}

// ------------------------------------------------------------ program

int RunProgramUpload(const std::string& output) {
    Session session;
    if (!session.Attach()) return kExitSystemError;
    const bool ok = session.RunJob(kJobProgramUpload, shell::Catalogue(kTextProgramUpload));
    if (!ok || CommFacts.programItemCount == 0) return kExitSystemError;
    program::Program().source = program::kSourceUpload;
    files::SetInformationFileName(files::CurrentInformation(), files::FileTitleOf(output));
    return ExitOf(files::WriteProgramFile(output));
}

int RunProgramDownload(const std::string& file) {
    Session session;
    if (!files::ReadProgramFile(file, files::FileTitleOf(file))) return kExitSystemError;
    if (!session.Attach()) return kExitSystemError;
    const bool ok = session.RunJob(kJobProgramDownload, shell::Catalogue(kTextProgramDownload));
    // What was written and read back differently is listed even when the
    // download stopped half way.
    PrintCheckList();
    if (!ok || !jobs::Results().downloadCheck.empty()) return kExitSystemError;
    // The screens show this message after the job (the hand-back); there are
    // no screens here.
    const int message = shell::ProgramDownloadMessage(jobs::Results().refusedArea);
    if (message != 0) {
        shell::RQ0000fnc_nShowMsgBox(message, shell::kButtonsOk,
                                     shell::Catalogue(kTextProgramDownload));
    }
    return kExitOk;
}

// ------------------------------------------------------------ device settings

int RunBaud(int rate) {
    Session session;
    if (!session.Attach()) return kExitSystemError;
    if (!session.RunJob(kJobBaudCheck, shell::Catalogue(kTextBaudRate))) return kExitSystemError;
    if (!jobs::StartBaudRateChange(rate)) return kExitSystemError;
    RunCommJob(kJobLimitMs);
    return ExitOf(CommResult == kErrNone);
}

int RunSlot(const std::string& text) {
    Session session;
    const auto slot = jobs::ParseSlotEntry(text);
    if (!slot) {
        shell::RQ0000fnc_nShowMsgBox(kMsgIllegalValue, shell::kButtonsOk,
                                     shell::Catalogue(kTextSlot));
        return kExitSystemError;
    }
    session.Host().slotAnswer = *slot;
    if (!session.Attach()) return kExitSystemError;
    const bool ok = session.RunJob(kJobSlot, shell::Catalogue(kTextSlot));
    if (ok && CommFacts.rackAnswered) {
        std::cout << "slot " << *slot << ": " << Trim(jobs::Results().slotModel) << "\n";
    }
    return ExitOf(ok && CommFacts.rackAnswered);
}

// ------------------------------------------------------------ online page

struct PageOptions {
    std::string category = "display";
    int tab = 1;
    int next = 0;
    int previous = 0;
    std::string address;
    std::string value;
    int count = 3;
};

std::optional<parameter::PageCategory> CategoryOf(const std::string& name) {
    static const std::map<std::string, parameter::PageCategory> kNames = {
        {"display", parameter::PageCategory::Display},
        {"set", parameter::PageCategory::Set},
        {"adjust", parameter::PageCategory::Adjust},
        {"maint", parameter::PageCategory::Maint}};
    const auto it = kNames.find(name);
    if (it == kNames.end()) return std::nullopt;
    return it->second;
}

void PrintPage(const parameter::PageModel& page) {
    std::cout << "tabs:";
    for (std::size_t i = 0; i < page.TabNames().size(); ++i) {
        std::cout << (static_cast<int>(i) + 1 == page.ConfirmedTab() ? " [" : " ")
                  << page.TabNames()[i]
                  << (static_cast<int>(i) + 1 == page.ConfirmedTab() ? "]" : "");
    }
    std::cout << "\n";
    for (int row = 1; row <= parameter::kPageRows; ++row) {
        const auto& c = page.Rows()[static_cast<std::size_t>(row)];
        std::cout << std::setw(2) << row << " " << std::left << std::setw(5) << c[0]
                  << std::setw(13) << c[1] << std::setw(17) << c[2] << std::setw(9) << c[3]
                  << std::right << std::setw(3) << c[4] << std::setw(3) << c[5] << std::setw(3)
                  << c[6] << std::setw(2) << c[7] << "\n";
    }
}

/// Job 3 and the category's first page, with the page model attached.
class OnlineSession {
  public:
    explicit OnlineSession(parameter::PageCategory category) : page(category) {
        jobs::AttachPageModel(&page);
        page.SetDownloadAllowed(!shell::PasswordIsStored());
    }
    bool Open() {
        if (!session.Attach()) return false;
        if (!session.RunJob(kJobConnect, shell::Catalogue(kTextSet))) return false;
        return Ran(page.OpenCategory(Starter()));
    }
    /// Starts the job the page model chose; the model finishes its own part
    /// of the start before the job runs (Ran).
    parameter::JobStarter Starter() {
        return [](int job, const std::string& title) {
            CommTitle = title;
            return StartCommJob(job);
        };
    }
    /// Runs the job a page action started; true when one ran and ended well.
    static bool Ran(bool started) {
        if (!started) return false;
        RunCommJob(kJobLimitMs);
        return CommResult == kErrNone;
    }
    Session session;
    parameter::PageModel page;
};

int RunPage(const PageOptions& o) {
    const auto category = CategoryOf(o.category);
    if (!category) {
        std::cerr << "rq50-cli: --category is display, set, adjust or maint\n";
        return kExitUsage;
    }
    OnlineSession online(*category);
    if (!online.Open()) return kExitSystemError;
    if (o.tab != 1) {
        if (!OnlineSession::Ran(online.page.ClickTab(o.tab, online.Starter())))
            return kExitSystemError;
    }
    for (int remaining = o.next; remaining > 0;) {
        const int entry = remaining >= parameter::kMovePage ? 6 : std::min(remaining, 5) - 1;
        if (!online.page.Move(true, entry, CommBusy, online.Starter())) break;
        if (!OnlineSession::Ran(true)) return kExitSystemError;
        remaining -= entry == 6 ? parameter::kMovePage : entry + 1;
    }
    for (int remaining = o.previous; remaining > 0;) {
        const int entry = remaining >= parameter::kMovePage ? 6 : std::min(remaining, 5) - 1;
        if (!online.page.Move(false, entry, CommBusy, online.Starter())) break;
        if (!OnlineSession::Ran(true)) return kExitSystemError;
        remaining -= entry == 6 ? parameter::kMovePage : entry + 1;
    }
    PrintPage(online.page);
    return kExitOk;
}

/// The grid row of an address, after moving through the tabs of the category.
int FindRow(OnlineSession& online, const std::string& address) {
    auto& page = online.page;
    const std::size_t tabs = page.TabNames().size();
    for (std::size_t tab = 1; tab <= std::max<std::size_t>(tabs, 1); ++tab) {
        if (static_cast<int>(tab) != page.CurrentTab()) {
            if (!OnlineSession::Ran(page.ClickTab(static_cast<int>(tab), online.Starter())))
                return 0;
        }
        for (int guard = 0; guard < 64; ++guard) {
            for (int row = 1; row <= parameter::kPageRows; ++row) {
                if (Trim(page.Cell(row, parameter::kColAddress)) == address) return row;
            }
            if (!page.Move(true, 6, CommBusy, online.Starter())) break;
            if (!OnlineSession::Ran(true)) return 0;
        }
    }
    return 0;
}

int OpenAndRead(OnlineSession& online, const PageOptions& o) {
    if (!online.Open()) return -1;
    online.page.SetReading(false);
    online.page.SetGridLocked(false);
    const int row = FindRow(online, o.address);
    if (row == 0) {
        if (CommResult == kErrNone) std::cerr << "rq50-cli: no item at " << o.address << "\n";
        return -1;
    }
    if (!OnlineSession::Ran(online.page.OpenItem(row, online.Starter()))) return -1;
    return row;
}

void PrintItem(const parameter::PageModel& page, int row) {
    const auto& c = page.Rows()[static_cast<std::size_t>(row)];
    std::cout << Trim(c[0]) << " " << Trim(c[1]) << " = " << Trim(c[2]);
    if (!Trim(c[3]).empty()) std::cout << " " << Trim(c[3]);
    std::cout << "\n";
    for (const auto& choice : page.Edit().choices.entries) {
        std::cout << "  " << choice.code << ": " << choice.listText << "\n";
    }
}

int RunRead(const PageOptions& o) {
    const auto category = CategoryOf(o.category);
    if (!category) return kExitUsage;
    OnlineSession online(*category);
    const int row = OpenAndRead(online, o);
    if (row < 0) return kExitSystemError;
    PrintItem(online.page, row);
    return kExitOk;
}

int RunWrite(const PageOptions& o) {
    const auto category = CategoryOf(o.category);
    if (!category) return kExitUsage;
    OnlineSession online(*category);
    online.page.SetDownloadAllowed(true);
    const int row = OpenAndRead(online, o);
    if (row < 0) return kExitSystemError;
    auto& page = online.page;
    int chosen = -1;
    if (page.Edit().kind == parameter::kKindSelection) {
        const auto& entries = page.Edit().choices.entries;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].listText == o.value || std::to_string(entries[i].code) == o.value) {
                chosen = static_cast<int>(i);
            }
        }
        if (chosen < 0) {
            shell::RQ0000fnc_nShowMsgBox(kMsgIllegalValue, shell::kButtonsOk,
                                         shell::Catalogue(kTextWrite));
            return kExitSystemError;
        }
    }
    if (!page.Controls().writeEnabled) {
        std::cerr << "rq50-cli: " << o.address << " cannot be written\n";
        return kExitSystemError;
    }
    if (!OnlineSession::Ran(page.Write(o.value, chosen, online.Starter()))) return kExitSystemError;
    PrintItem(page, row);
    return kExitOk;
}

int RunMonitor(const PageOptions& o) {
    OnlineSession online(parameter::PageCategory::Display);
    if (!online.Open()) return kExitSystemError;
    auto& page = online.page;
    if (page.Window().measured.empty()) {
        std::cerr << "rq50-cli: the DISPLAY page holds no measured items\n";
        return kExitSystemError;
    }
    for (int i = 0; i < o.count; ++i) {
        if (i > 0) shell::Svc().clock->Wait(parameter::kPeriodicReadMs);
        CommTitle = shell::Catalogue(kTextPeriodicRead);
        if (!StartCommJob(kJobPeriodicRead)) return kExitSystemError;
        RunCommJob(kJobLimitMs);
        if (CommResult != kErrNone) return kExitSystemError;
        for (const auto& m : page.Window().measured) {
            std::cout << (m.row == page.Window().measured.front().row ? "" : "  ")
                      << Trim(page.Cell(m.row, parameter::kColName)) << " "
                      << Trim(page.Cell(m.row, parameter::kColData));
        }
        std::cout << std::endl;
    }
    return kExitOk;
}

int RunCancelOutput() {
    OnlineSession online(parameter::PageCategory::Adjust);
    if (!online.Open()) return kExitSystemError;
    online.page.SetReading(false);
    CommTitle = shell::Catalogue(kTextCancelOutput);
    return ExitOf(OnlineSession::Ran(online.page.CancelForcedOutput(online.Starter())));
}

// ------------------------------------------------------------ registration

void AddLinkOptions(CLI::App& app) {
    auto& l = Link();
    app.add_option("--port", l.port, "serial device: COM1-COM4 or a device path")
        ->group("Instrument link");
    app.add_option("--speed", l.speed, "starting speed in bit/s")
        ->check(CLI::IsMember({1200, 9600}))
        ->group("Instrument link");
    app.add_option("--slot", l.slot, "slot to select when a rack interface asks (1-16)")
        ->check(CLI::Range(1, 16))
        ->group("Instrument link");
    app.add_flag("--log", l.log, "write the frames to User/RQ50.Log")->group("Instrument link");
    app.add_flag("--quiet", l.quiet, "no progress line and no notes")->group("Instrument link");
    app.add_option("--sim", l.sim, "instrument file of the simulated instrument (without --port)")
        ->group("Instrument link");
}

void AddInstrumentCommands(CLI::App& app, CliContext& context) {
    AddLinkOptions(app);

    auto upload = std::make_shared<UploadOptions>();
    auto* up = app.add_subcommand("upload", "upload all parameters into a parameter file");
    up->add_option("-o,--output", upload->output, "the .7pa file to write")->required();
    const std::pair<const char*, int> fields[] = {
        {"--title1", files::kBoxTitle1},        {"--title2", files::kBoxTitle2},
        {"--created-by", files::kBoxCreatedBy}, {"--instrument-no", files::kBoxInstrumentNo},
        {"--comment", files::kBoxComment},      {"--date", files::kBoxDate}};
    for (const auto& [flag, box] : fields) {
        up->add_option_function<std::string>(
            flag, [upload, box = box](const std::string& text) { upload->boxes[box] = text; },
            "information field");
    }
    up->fallthrough();
    up->callback([upload, &context] { context.run = [upload] { return RunUpload(*upload); }; });

    auto download = std::make_shared<DownloadOptions>();
    auto* down = app.add_subcommand("download", "download a parameter file to the instrument");
    down->add_option("FILE", download->file, "the .7pa file")->required();
    down->add_option_function<std::string>(
        "--password", [download](const std::string& p) { download->password = p; },
        "the download password, when one is stored");
    down->fallthrough();
    down->callback(
        [download, &context] { context.run = [download] { return RunDownload(*download); }; });

    auto programOut = std::make_shared<std::string>();
    auto* pu = app.add_subcommand("program-upload", "upload PROGRAM and CONST into a program file");
    pu->add_option("-o,--output", *programOut, "the .7pr file to write")->required();
    pu->fallthrough();
    pu->callback([programOut, &context] {
        context.run = [programOut] { return RunProgramUpload(*programOut); };
    });

    auto programIn = std::make_shared<std::string>();
    auto* pd = app.add_subcommand("program-download", "download a program file");
    pd->add_option("FILE", *programIn, "the .7pr file")->required();
    pd->fallthrough();
    pd->callback([programIn, &context] {
        context.run = [programIn] { return RunProgramDownload(*programIn); };
    });

    auto page = std::make_shared<PageOptions>();
    auto* pg = app.add_subcommand("page", "show a page of a category online");
    pg->add_option("--category", page->category, "display, set, adjust or maint");
    pg->add_option("--tab", page->tab, "the tab (group) to show")->check(CLI::PositiveNumber);
    pg->add_option("--next", page->next, "move forward by K rows")->check(CLI::PositiveNumber);
    pg->add_option("--prev", page->previous, "move back by K rows")->check(CLI::PositiveNumber);
    pg->fallthrough();
    pg->callback([page, &context] { context.run = [page] { return RunPage(*page); }; });

    auto read = std::make_shared<PageOptions>();
    auto* rd = app.add_subcommand("read", "read one item for editing");
    rd->add_option("--category", read->category, "display, set, adjust or maint")->required();
    rd->add_option("ADDRESS", read->address, "the item's address, e.g. C02")->required();
    rd->fallthrough();
    rd->callback([read, &context] { context.run = [read] { return RunRead(*read); }; });

    auto write = std::make_shared<PageOptions>();
    auto* wr = app.add_subcommand("write", "write one item");
    wr->add_option("--category", write->category, "display, set, adjust or maint")->required();
    wr->add_option("ADDRESS", write->address, "the item's address, e.g. C02")->required();
    wr->add_option("VALUE", write->value, "the value; for a selection its text or code")
        ->required();
    wr->fallthrough();
    wr->callback([write, &context] { context.run = [write] { return RunWrite(*write); }; });

    auto monitor = std::make_shared<PageOptions>();
    auto* mo = app.add_subcommand("monitor", "read the measured values every 5 s");
    mo->add_option("--count", monitor->count, "number of reads")->check(CLI::PositiveNumber);
    mo->fallthrough();
    mo->callback([monitor, &context] { context.run = [monitor] { return RunMonitor(*monitor); }; });

    auto* co = app.add_subcommand("cancel-output", "cancel a forced output (ADJUST page)");
    co->fallthrough();
    co->callback([&context] { context.run = [] { return RunCancelOutput(); }; });

    auto rate = std::make_shared<int>(1200);
    auto* bd = app.add_subcommand("baud", "change the instrument's baud rate");
    bd->add_option("RATE", *rate, "1200 or 9600")->required()->check(CLI::IsMember({1200, 9600}));
    bd->fallthrough();
    bd->callback([rate, &context] { context.run = [rate] { return RunBaud(*rate); }; });

    auto slot = std::make_shared<std::string>();
    auto* sl = app.add_subcommand("slot", "select a slot of the rack interface");
    sl->add_option("N", *slot, "slot number 1-16")->required();
    sl->fallthrough();
    sl->callback([slot, &context] { context.run = [slot] { return RunSlot(*slot); }; });
}

const RegisterCommands kInstrumentCommands(&AddInstrumentCommands);

}  // namespace

}  // namespace rq50::cli
