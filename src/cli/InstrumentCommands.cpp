// rq50-cli commands that talk to an instrument: upload, download, program
// upload and download, the online page, single reads and writes, periodic
// reading, cancelling a forced output, the baud rate and the rack slot.
//
// With --port the commands use a serial device (a COMn name of the settings
// or any device path). Without it they run against the built-in simulated
// instrument (the sample RQB2.json unless --sim names another file) on
// virtual time, so every command can be tried without hardware.

#include "cli/Cli.h"
#include "cli/CliHosts.h"
#include "cli/CliSupport.h"
#include "cli/ProgramSupport.h"
#include "comm/CommLog.h"
#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/Frame.h"
#include "comm/jobs/DownloadStop.h"
#include "comm/jobs/Jobs.h"
#include "comm/jobs/Password.h"
#include "files/Compare.h"
#include "files/DataSet.h"
#include "files/FileError.h"
#include "files/InformationRecord.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/RecordFile.h"
#include "parameter/ItemBlock.h"
#include "parameter/ItemEdit.h"
#include "parameter/PageModel.h"
#include "parameter/ValueRules.h"
#include "program/ProgramTypes.h"
#include "shell/AppPaths.h"
#include "shell/Catalogue.h"
#include "shell/Clock.h"
#include "shell/ConfigTables.h"
#include "shell/CoreSession.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Navigation.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/SettingFile.h"
#include "shell/Workspace.h"
#include "sim/Instrument.h"
#include "sim/SampleInstruments.h"
#include "sim/SimulatedLine.h"

#ifdef RQ50_HAVE_QT_PORT
#include "platform/QtSerialPort.h"
#include "platform/SerialPortList.h"
#include "shell/TextTrim.h"

#include <QCoreApplication>
#endif

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

namespace rq50::cli {

namespace {

using namespace rq50::comm;

constexpr int kTextUpload = 2112;
constexpr int kTextSet = 2111;
constexpr int kTextDownload = 2403;
constexpr int kTextProgramUpload = 2115;
constexpr int kTextProgramDownload = 1551;
constexpr int kTextBaudRate = 2130;
constexpr int kTextSlot = 4101;
constexpr int kTextCategory = 2201;
constexpr int kTextPeriodicRead = 2315;
constexpr int kTextRead = 2316;
constexpr int kTextWrite = 2308;
constexpr int kTextCancelOutput = 2366;
constexpr int kTextAddressError = 1508;
constexpr int kTextDownloadCompleted = 1515;
constexpr int kTextNonMatchingModel = 1504;
constexpr std::int64_t kJobLimitMs = 60 * 60 * 1000;
constexpr int kExitSignalBase = 128;

/// Options every instrument command reads (given before or after the command).
struct LinkOptions {
    std::string port;
    int speed = 1200;
    int slot = 0;
    std::optional<std::string> log;  ///< --log [FILE]: empty text for the default file
    bool logAppend = false;
    bool quiet = false;
    bool json = false;
    std::string sim;
    bool fast = false;  ///< --fast: the next request as soon as an answer is complete
    int gapMs = comm::kDefaultGapMs;
};

LinkOptions& Link() {
    static LinkOptions options;
    return options;
}

// ------------------------------------------------------------ signals

/// SIGINT or SIGTERM received; the running job is ended at its next safe point.
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int signal) {
    if (g_stopSignal == 0) {
        g_stopSignal = signal;
        return;
    }
    // Ending the process now could leave a write sent and unanswered: the
    // stop already asked for is on its way, and the user is told so.
    static const char kNote[] =
        "\nrq50-cli: stopping after the exchange on the line (at most a few seconds)\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
}

/// While a command talks to an instrument, Ctrl-C and SIGTERM press
/// "Terminate": the job ends between two exchanges and closes the port, and
/// the command says what was done. A further signal does not cut that short.
class StopSignals {
  public:
    StopSignals() {
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        sigaction(SIGINT, &action, &m_savedInt);
        sigaction(SIGTERM, &action, &m_savedTerm);
    }
    ~StopSignals() {
        sigaction(SIGINT, &m_savedInt, nullptr);
        sigaction(SIGTERM, &m_savedTerm, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    struct sigaction m_savedInt {};
    struct sigaction m_savedTerm {};
};

/// A stop signal came. Given to the engine's job run, it presses
/// "Terminate", which lets the request on the line be answered (or time out)
/// and ends the job before the next one, in either pacing.
bool Stopped() {
    return g_stopSignal != 0;
}

int StoppedExit() {
    return kExitSignalBase + static_cast<int>(g_stopSignal);
}

/// Progress on stderr, the SLOT No. dialog answered by --slot.
class CliCommHost : public CommHost {
  public:
    explicit CliCommHost(CommEngine& engine) : m_engine(engine) {}
    std::optional<int> slotAnswer;
    bool slotAsked = false;
    void ShowProgress(int value) override {
        if (Link().quiet || !isatty(STDERR_FILENO)) return;
        std::cerr << "\r" << m_engine.CommTitle << " " << std::setw(3) << value << "%"
                  << std::flush;
        m_shown = true;
    }
    void CloseCommDialog() override {
        if (m_shown) std::cerr << "\r" << std::string(m_engine.CommTitle.size() + 6, ' ') << "\r";
        m_shown = false;
    }
    std::optional<int> AskSlot() override {
        slotAsked = true;
        if (!slotAnswer) {
            std::cerr << "rq50-cli: a rack interface (ZNC) asks for the slot number; pass --slot "
                         "N (1-16)\n";
        }
        return slotAnswer;
    }

  private:
    CommEngine& m_engine;
    bool m_shown = false;
};

#ifdef RQ50_HAVE_QT_PORT
/// The Qt serial port expects the thread's Qt application object; without it
/// every open warns about its socket notifiers.
void EnsureQtApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "rq50-cli";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}
#endif

/// The log of a run: --log keeps every frame of the command's jobs in one
/// file (the program folder's User/RQ50.Log unless a file is named), emptied
/// first unless --log-append.
void SetUpLog(shell::CoreSession& core) {
    core.Engine().LogFileOn = Link().log.has_value();
    if (!core.Engine().LogFileOn) return;
    LogTarget target;
    target.path = Link().log->empty() ? std::string() : *Link().log;
    target.keepAcrossJobs = true;
    core.Engine().SetLogTarget(target);
    const std::filesystem::path path = core.Engine().LogFilePath();
    std::error_code ec;
    if (!path.parent_path().empty()) std::filesystem::create_directories(path.parent_path(), ec);
    if (!Link().logAppend) std::filesystem::remove(path, ec);
    std::ofstream probe(path, std::ios::app);
    if (!probe) Note("the log " + path.string() + " cannot be written");
}

/// One run against an instrument: the core session of the run lends it the
/// command's communication host, port and clock.
class Session {
  public:
    explicit Session(shell::CoreSession& core)
        : m_core(core), m_services(m_core.Data()), m_host(m_core.Engine()) {
        m_host.slotAnswer = Link().slot > 0 ? std::optional<int>(Link().slot) : std::nullopt;
        m_core.UseCommHost(&m_host);
        m_core.Engine().CommSpeed = Link().speed;
        m_core.Data().state.instrumentSpeed = Link().speed;
        m_core.Engine().SetCommPacing({Link().fast, Link().gapMs});
        SetUpLog(m_core);
        m_services.Messages().rewrite = [this](const std::string& text) { return Explain(text); };
    }
    ~Session() {
        if (m_port && m_port->IsOpen()) m_port->Close();
        m_core.Engine().AttachPageModel(nullptr);
        m_core.AttachPort(nullptr);
        m_core.UseCommHost(nullptr);
        if (m_clockReplaced) m_core.UseClock(m_savedClock);
        if (m_core.Engine().LogFileOn && !Link().quiet)
            Note("log: " + m_core.Engine().LogFilePath());
        m_core.Engine().SetLogTarget({});
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// Opens the line; false (with the reason on stderr) when it cannot be.
    bool Attach() {
        if (!Link().port.empty()) {
#ifdef RQ50_HAVE_QT_PORT
            EnsureQtApplication();
            const std::string& p = Link().port;
            if (p.size() == 4 && p.rfind("COM", 0) == 0 && p[3] >= '1' && p[3] <= '4') {
                m_core.Data().state.comPort = static_cast<std::int16_t>(p[3] - '0');
                m_core.Engine().CommSettings.deviceOverride.clear();
            } else {
                m_core.Engine().CommSettings.deviceOverride = p;
            }
            m_port = std::make_unique<platform::QtSerialPort>();
            m_core.AttachPort(m_port.get());
            return true;
#else
            std::cerr << "rq50-cli: this build has no serial-port support; leave out --port\n";
            return false;
#endif
        }
        const std::string file =
            Link().sim.empty() ? sim::SampleInstrumentFile("RQB2.json") : Link().sim;
        try {
            m_instrument = std::make_unique<sim::Instrument>(sim::Instrument::FromFile(file));
        } catch (const std::exception& e) {
            std::cerr << "rq50-cli: " << e.what() << "\n";
            return false;
        }
        if (!Link().quiet)
            std::cerr << "rq50-cli: no --port given: simulated instrument " << file << "\n";
        m_savedClock = m_core.Data().hosts.clock;
        m_clockReplaced = true;
        m_core.UseClock(&m_virtualClock);
        m_port = std::make_unique<sim::SimulatedLine>(m_virtualClock, m_instrument.get());
        m_core.AttachPort(m_port.get());
        return true;
    }

    /// Runs a job to its end. The screens ask "Starts communication. Press OK
    /// button if ready." first; on the command line the command itself is
    /// that answer, so nothing is asked.
    bool RunJob(int job, const std::string& title) {
        if (!m_core.Engine().StartCommJob({job, title})) return false;
        m_core.Engine().RunCommJob(kJobLimitMs, Stopped);
        return m_core.Engine().CommResult == kErrNone;
    }

    CliCommHost& Host() {
        return m_host;
    }

    /// Extra words for a message the command line can say more about.
    std::function<std::string(const std::string&)> explain;

  private:
    std::string Explain(const std::string& text) {
        if (explain) {
            std::string more = explain(text);
            if (!more.empty()) return more;
        }
        // The answer of a rack interface whose selected slot holds nothing.
        if (text == shell::Catalogue(kTextAddressError) && m_host.slotAsked &&
            m_core.Engine().RespMA == 0 && m_core.Engine().RespMB == 0) {
            return text + "\nrq50-cli: slot " + std::to_string(m_core.Engine().SlotNumber) +
                   " of the rack interface (ZNC) holds no instrument";
        }
        return text;
    }

    shell::CoreSession& m_core;
    CliServices m_services;
    CliCommHost m_host;
    shell::VirtualClock m_virtualClock;
    shell::Clock* m_savedClock = nullptr;
    bool m_clockReplaced = false;
    std::unique_ptr<sim::Instrument> m_instrument;
    std::unique_ptr<SerialPort> m_port;
    StopSignals m_signals;
};

int ExitOf(bool ok) {
    return ok ? kExitOk : kExitSystemError;
}

// ------------------------------------------------------------ upload

struct UploadOptions {
    std::string output;
    std::map<int, std::string> boxes;
};

int RunUpload(shell::CoreSession& core, const UploadOptions& o) {
    Session session(core);
    // Everything about the file is settled before the instrument is asked.
    const auto output = PrepareSave(core, o.output, files::DataFileKind::kParameter);
    if (!output) return kExitSystemError;
    if (!ApplyInformationFields(core, o.boxes)) return kExitSystemError;
    const files::InformationRecord information = core.Data().information;
    if (!session.Attach()) return kExitSystemError;
    const bool ok = session.RunJob(kJobUpload, shell::Catalogue(kTextUpload));
    if (Stopped()) {
        Note("upload stopped; nothing was saved");
        return StoppedExit();
    }
    if (!ok) return kExitSystemError;
    core.Data().information = information;
    files::SetInformationFileName(core.Data().information, files::FileTitleOf(*output));
    if (!files::WriteParameterFile(core.Data(), *output)) {
        Note(*output + " was not written");
        return kExitSystemError;
    }
    if (!Link().quiet) {
        Note(std::to_string(core.Engine().Data().items.dataSet.size()) + " items of model " +
             shell::Trim(core.Engine().Data().header.model) + " saved to " + *output);
    }
    return kExitOk;
}

// ------------------------------------------------------------ download

struct DownloadOptions {
    std::string file;
    std::optional<std::string> password;
    bool force = false;
};

ordered_json CheckListJson(shell::CoreSession& core) {
    ordered_json list = ordered_json::array();
    for (const auto& e : core.Engine().Results().downloadCheck) {
        list.push_back({{"address", parameter::FormatAddress(e.ma, e.mb)},
                        {"name", JsonText(e.sentName)},
                        {"sent", JsonText(e.sentData + e.sentAux)},
                        {"set", JsonText(e.setData + e.setAux)}});
    }
    return list;
}

void PrintCheckList(shell::CoreSession& core) {
    const auto& list = core.Engine().Results().downloadCheck;
    if (list.empty()) return;
    std::cout << std::left << std::setw(8) << "Address" << std::setw(14) << "" << std::setw(20)
              << "Send Data"
              << "Data that has been set\n";
    for (const auto& e : list) {
        std::cout << std::left << std::setw(8) << shell::Trim(parameter::FormatAddress(e.ma, e.mb))
                  << std::setw(14) << shell::Trim(e.sentName) << std::setw(20)
                  << shell::Trim(e.sentData) + shell::Trim(e.sentAux) << jobs::CheckEntrySetText(e)
                  << "\n";
    }
}

/// What a download says beyond the system's own messages: the two models of
/// a mismatch, and the number of read-back differences of a completed one.
std::string ExplainDownload(shell::CoreSession& core, const std::string& text,
                            const std::string& fileModel) {
    if (text == shell::Catalogue(kTextNonMatchingModel)) {
        return text + "\nrq50-cli: the file is for model " + shell::Trim(fileModel) +
               ", the instrument is model " + shell::Trim(core.Engine().Results().instrumentModel);
    }
    const auto differences = core.Engine().Results().downloadCheck.size();
    // The message itself counts the differences; the command line lists them.
    if (text.starts_with(shell::Catalogue(kTextDownloadCompleted)) && differences > 0) {
        return "Downloading to TAVRO completed with " + std::to_string(differences) +
               (differences == 1 ? " difference" : " differences") +
               ": the instrument holds other values than the file for the items below.";
    }
    return {};
}

/// After a stop signal: how far a download got.
int ReportStoppedDownload(shell::CoreSession& core, const char* what, int total) {
    const int written = core.Engine().Results().itemsWritten;
    Note(std::string(what) + " stopped after " + std::to_string(written) + " of " +
         std::to_string(total) + " items" +
         (written == 0 ? "; nothing was written"
                       : "; the instrument holds a mix of the file's values and its own"));
    return StoppedExit();
}

ordered_json DownloadJson(shell::CoreSession& core, const std::string& file, bool ok, int total) {
    return ordered_json{{"file", file},
                        {"completed", ok && !Stopped()},
                        {"result", core.Engine().CommResult},
                        {"stopped", Stopped()},
                        {"written", core.Engine().Results().itemsWritten},
                        {"total", total},
                        {"instrumentModel", shell::Trim(core.Engine().Results().instrumentModel)},
                        {"differences", CheckListJson(core)}};
}

/// With a stored password the download needs it, as the password entry of
/// the top menu asks for it.
bool DownloadAllowed(shell::CoreSession& core, const std::optional<std::string>& password) {
    if (!shell::PasswordIsStored(core.Data())) return true;
    shell::ReadSettingFile(core.Data());
    if (password && jobs::DownloadAllowedWith(core.Data().state.storedPassword, *password))
        return true;
    shell::RQ0000fnc_nShowMsgBox(core.Data().hosts, kMsgWrongPasswordEntry, shell::kButtonsOk, "");
    if (!password) Note("a download password is set; pass it with --password");
    return false;
}

int RunDownload(shell::CoreSession& core, const DownloadOptions& o) {
    Session session(core);
    if (!DownloadAllowed(core, o.password)) return kExitSystemError;
    if (!ReadDataFile(core, files::DataFileKind::kParameter, o.file)) return kExitSystemError;
    const auto& header = core.Engine().Data().header;
    const int total = jobs::CountDownloadItems(core.Engine().Data().items.dataSet, header.setStart,
                                               header.adjustStart);
    const std::string fileModel = header.model;
    session.explain = [&core, fileModel](const std::string& text) {
        return ExplainDownload(core, text, fileModel);
    };
    if (!session.Attach()) return kExitSystemError;
    const bool ok = session.RunJob(kJobDownload, shell::Catalogue(kTextDownload));
    if (Link().json) {
        PrintJson(DownloadJson(core, o.file, ok, total));
    } else {
        PrintCheckList(core);
    }
    if (Stopped()) return ReportStoppedDownload(core, "download", total);
    return ExitOf(ok && core.Engine().Results().downloadCheck.empty());
}

// ------------------------------------------------------------ program

int RunProgramUpload(shell::CoreSession& core, const std::string& path) {
    Session session(core);
    const auto output = PrepareSave(core, path, files::DataFileKind::kProgram);
    if (!output) return kExitSystemError;
    if (!session.Attach()) return kExitSystemError;
    const bool ok = session.RunJob(kJobProgramUpload, shell::Catalogue(kTextProgramUpload));
    if (Stopped()) {
        Note("program upload stopped; nothing was saved");
        return StoppedExit();
    }
    if (!ok || core.Engine().CommFacts.programItemCount == 0) return kExitSystemError;
    core.Engine().Data().program.source = program::kSourceUpload;
    files::SetInformationFileName(core.Data().information, files::FileTitleOf(*output));
    if (!files::WriteProgramFile(core.Data(), *output)) {
        Note(*output + " was not written");
        return kExitSystemError;
    }
    if (!Link().quiet) {
        const auto& header = core.Engine().Data().program.header;
        Note(std::to_string(header.stepCount) + " PROGRAM steps and " +
             std::to_string(header.constCount) + " CONST items of model " +
             shell::Trim(header.modelCode) + " saved to " + *output);
    }
    return kExitOk;
}

int ProgramItemsToWrite(shell::CoreSession& core) {
    int count = 0;
    const auto& records = core.Engine().Data().program.records;
    for (auto item = jobs::NextProgramItem(records, 0, jobs::kRefusedNone); item;
         item = jobs::NextProgramItem(records, item->index + 1, jobs::kRefusedNone)) {
        ++count;
    }
    return count;
}

int RunProgramDownload(shell::CoreSession& core, const DownloadOptions& o) {
    Session session(core);
    if (!DownloadAllowed(core, o.password)) return kExitSystemError;
    ordered_json errors = ordered_json::array();
    if (!ProgramReadyForDownload(core, o.file, o.force, &errors)) {
        if (Link().json) {
            PrintJson({{"file", o.file}, {"completed", false}, {"checkErrors", errors}});
        }
        return kExitSystemError;
    }
    const std::string fileModel = core.Engine().Data().program.header.modelCode;
    session.explain = [&core, fileModel](const std::string& text) {
        return ExplainDownload(core, text, fileModel);
    };
    const int total = ProgramItemsToWrite(core);
    if (!session.Attach()) return kExitSystemError;
    const bool ok = session.RunJob(kJobProgramDownload, shell::Catalogue(kTextProgramDownload));
    if (Link().json) {
        auto document = DownloadJson(core, o.file, ok, total);
        document["checkErrors"] = errors;
        document["refusedArea"] = core.Engine().Results().refusedArea;
        PrintJson(document);
    } else {
        PrintCheckList(core);
    }
    if (Stopped()) return ReportStoppedDownload(core, "program download", total);
    if (!ok) return kExitSystemError;
    // The screens show the final message after the job (the hand-back); there
    // are no screens here.
    if (!core.Engine().Results().downloadCheck.empty()) {
        Note("Downloading completed with " +
             std::to_string(core.Engine().Results().downloadCheck.size()) +
             " differences: the instrument holds other values than the file for the items above");
        return kExitSystemError;
    }
    const int message = shell::ProgramDownloadMessage(core.Engine().Results().refusedArea);
    if (message != 0) {
        shell::RQ0000fnc_nShowMsgBox(core.Data().hosts, message, shell::kButtonsOk,
                                     shell::Catalogue(kTextProgramDownload));
    }
    return kExitOk;
}

// ------------------------------------------------------------ verify

/// The instrument's data against a file, without writing anything.
int RunVerify(shell::CoreSession& core, const std::string& file) {
    Session session(core);
    const auto kind = files::DataFileKindOf(file);
    if (!kind) {
        Note(file + ": a parameter file (.7pa) or program file (.7pr) is expected");
        return kExitUsage;
    }
    std::vector<files::ItemDifference> found;
    std::vector<std::string> notes;
    if (*kind == files::DataFileKind::kParameter) {
        files::ParameterFileRecord record;
        if (const int error = files::LoadParameterFile(file, record); error != 0) {
            files::ReportFileError(core.Data().hosts, error, shell::Catalogue(kTextDownload));
            Note("cannot read " + file);
            return kExitSystemError;
        }
        if (!session.Attach()) return kExitSystemError;
        if (!session.RunJob(kJobUpload, shell::Catalogue(kTextUpload)))
            return Stopped() ? StoppedExit() : kExitSystemError;
        const auto& instrument = core.Engine().Data().header;
        notes = files::CompareHeaders(record.header, instrument);
        found = files::CompareDataSets(record.items, core.Engine().Data().items.dataSet,
                                       files::CompareScope::kDownloadable, record.header.setStart,
                                       record.header.adjustStart);
    } else {
        files::ProgramFileRecord record;
        if (const int error = files::LoadProgramFile(file, record); error != 0) {
            files::ReportFileError(core.Data().hosts, error,
                                   shell::Catalogue(kTextProgramDownload));
            Note("cannot read " + file);
            return kExitSystemError;
        }
        if (!session.Attach()) return kExitSystemError;
        const bool ok = session.RunJob(kJobProgramUpload, shell::Catalogue(kTextProgramUpload));
        if (!ok || core.Engine().CommFacts.programItemCount == 0)
            return Stopped() ? StoppedExit() : kExitSystemError;
        if (shell::Trim(record.header.modelCode) !=
            shell::Trim(core.Engine().Data().program.header.modelCode)) {
            notes.push_back("model " + shell::Trim(record.header.modelCode) + " against " +
                            shell::Trim(core.Engine().Data().program.header.modelCode));
        }
        found = files::ComparePrograms(record, files::CurrentProgramRecord(core.Data()), false);
    }
    PrintDifferences(file, "instrument", notes, found, Link().json);
    return found.empty() && notes.empty() ? kExitOk : kExitSystemError;
}

// ------------------------------------------------------------ device settings

int RunBaud(shell::CoreSession& core, int rate) {
    Session session(core);
    if (!session.Attach()) return kExitSystemError;
    if (!session.RunJob(kJobBaudCheck, shell::Catalogue(kTextBaudRate))) return kExitSystemError;
    if (!jobs::StartBaudRateChange(core.Engine(), rate)) return kExitSystemError;
    core.Engine().RunCommJob(kJobLimitMs, Stopped);
    return ExitOf(core.Engine().CommResult == kErrNone);
}

int RunSlot(shell::CoreSession& core, const std::string& text) {
    Session session(core);
    const auto slot = jobs::ParseSlotEntry(text);
    if (!slot) {
        shell::RQ0000fnc_nShowMsgBox(core.Data().hosts, kMsgIllegalValue, shell::kButtonsOk,
                                     shell::Catalogue(kTextSlot));
        Note("the slot number is a whole number from 1 to 16");
        return kExitUsage;
    }
    session.Host().slotAnswer = *slot;
    if (!session.Attach()) return kExitSystemError;
    const bool ok = session.RunJob(kJobSlot, shell::Catalogue(kTextSlot));
    if (ok && core.Engine().CommFacts.rackAnswered) {
        std::cout << "slot " << *slot << ": " << shell::Trim(core.Engine().Results().slotModel)
                  << "\n";
        if (!Link().quiet) {
            Note("the rack interface forgets the slot when the line closes; give --slot " +
                 std::to_string(*slot) + " to the commands that work on this instrument");
        }
    }
    return ExitOf(ok && core.Engine().CommFacts.rackAnswered);
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
    std::string csv;
};

const std::vector<std::string>& CategoryNames() {
    static const std::vector<std::string> kNames = {"display", "set", "adjust", "maint"};
    return kNames;
}

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
    OnlineSession(shell::CoreSession& core, parameter::PageCategory category)
        : core(core), session(core), page(category, core.Data().hosts) {
        core.Engine().AttachPageModel(&page);
        page.SetDownloadAllowed(!shell::PasswordIsStored(core.Data()));
    }
    bool Open() {
        if (!session.Attach()) return false;
        if (!session.RunJob(kJobConnect, shell::Catalogue(kTextSet))) return false;
        return Ran(page.OpenCategory(Starter()));
    }
    /// Starts the job the page model chose; the model finishes its own part
    /// of the start before the job runs (Ran).
    parameter::JobStarter Starter() {
        return [this](int job, const std::string& title) {
            return core.Engine().StartCommJob({job, title});
        };
    }
    /// Runs the job a page action started; true when one ran and ended well.
    bool Ran(bool started) {
        if (!started) return false;
        core.Engine().RunCommJob(kJobLimitMs, Stopped);
        return core.Engine().CommResult == kErrNone;
    }
    shell::CoreSession& core;
    Session session;
    parameter::PageModel page;
};

int RunPage(shell::CoreSession& core, const PageOptions& o) {
    OnlineSession online(core, CategoryOf(o.category));
    if (!online.Open()) return Stopped() ? StoppedExit() : kExitSystemError;
    if (o.tab != 1) {
        if (o.tab > static_cast<int>(online.page.TabNames().size())) {
            Note("--tab " + std::to_string(o.tab) + ": the category has " +
                 std::to_string(online.page.TabNames().size()) + " tabs");
            return kExitUsage;
        }
        if (!online.Ran(online.page.ClickTab(o.tab, online.Starter()))) return kExitSystemError;
    }
    for (int remaining = o.next; remaining > 0;) {
        const int entry = remaining >= parameter::kMovePage ? 6 : std::min(remaining, 5) - 1;
        if (!online.page.Move(true, entry, core.Engine().CommBusy, online.Starter())) break;
        if (!online.Ran(true)) return kExitSystemError;
        remaining -= entry == 6 ? parameter::kMovePage : entry + 1;
    }
    for (int remaining = o.previous; remaining > 0;) {
        const int entry = remaining >= parameter::kMovePage ? 6 : std::min(remaining, 5) - 1;
        if (!online.page.Move(false, entry, core.Engine().CommBusy, online.Starter())) break;
        if (!online.Ran(true)) return kExitSystemError;
        remaining -= entry == 6 ? parameter::kMovePage : entry + 1;
    }
    PrintPage(online.page);
    return kExitOk;
}

/// The grid row of an address, after moving through the tabs of the category.
int FindRow(shell::CoreSession& core, OnlineSession& online, const std::string& address) {
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
            if (!page.Move(true, 6, core.Engine().CommBusy, online.Starter())) break;
            if (!online.Ran(true)) return 0;
        }
    }
    return 0;
}

int OpenAndRead(shell::CoreSession& core, OnlineSession& online, const PageOptions& o) {
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
        if (core.Engine().CommResult == kErrNone) {
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

void PrintItem(const parameter::PageModel& page, int row) {
    const auto& c = page.Rows()[static_cast<std::size_t>(row)];
    std::cout << shell::Trim(c[0]) << " " << shell::Trim(c[1]) << " = " << shell::Trim(c[2]);
    if (!shell::Trim(c[3]).empty()) std::cout << " " << shell::Trim(c[3]);
    std::cout << "\n";
    for (const auto& choice : page.Edit().choices.entries) {
        std::cout << (choice.code == page.Edit().choices.currentCode ? "* " : "  ") << choice.code
                  << ": " << choice.listText << "\n";
    }
    std::cout << "takes " << parameter::AllowedValues(page.Edit()) << "\n";
}

int RunRead(shell::CoreSession& core, const PageOptions& o) {
    OnlineSession online(core, CategoryOf(o.category));
    const int row = OpenAndRead(core, online, o);
    if (row == -2) return kExitUsage;
    if (row < 0) return Stopped() ? StoppedExit() : kExitSystemError;
    if (Link().json) {
        PrintJson(ItemJson(online.page, row));
    } else {
        PrintItem(online.page, row);
    }
    return kExitOk;
}

int RunWrite(shell::CoreSession& core, const PageOptions& o) {
    OnlineSession online(core, CategoryOf(o.category));
    online.page.SetDownloadAllowed(true);
    const int row = OpenAndRead(core, online, o);
    if (row == -2) return kExitUsage;
    if (row < 0) return Stopped() ? StoppedExit() : kExitSystemError;
    auto& page = online.page;
    if (!Writable(page) || !page.Controls().writeEnabled) {
        Note(o.address + " cannot be written");
        return kExitSystemError;
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
            return kExitSystemError;
        }
        chosen = pick.index;
        chosenCode = entries[static_cast<std::size_t>(chosen)].code;
    } else if (!parameter::CheckEntry(o.value, page.Edit()).valid) {
        shell::RQ0000fnc_nShowMsgBox(core.Data().hosts, kMsgIllegalValue, shell::kButtonsOk,
                                     shell::Catalogue(kTextWrite));
        Note(o.address + " takes " + parameter::AllowedValues(page.Edit()));
        return kExitSystemError;
    }
    const std::string sent = page.Edit().kind == parameter::kKindSelection
                                 ? std::string()
                                 : parameter::CheckEntry(o.value, page.Edit()).sendText;
    if (!online.Ran(page.Write(o.value, chosen, online.Starter())))
        return Stopped() ? StoppedExit() : kExitSystemError;
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
        PrintItem(page, row);
    }
    if (!same) {
        Note("asked " + o.value + ", instrument holds " + shown);
        return kExitSystemError;
    }
    return kExitOk;
}

std::string CsvField(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

int RunMonitor(shell::CoreSession& core, const PageOptions& o) {
    OnlineSession online(core, parameter::PageCategory::Display);
    std::ofstream csv;
    if (!o.csv.empty()) {
        csv.open(o.csv, std::ios::binary | std::ios::trunc);
        if (!csv) {
            Note("cannot write " + o.csv);
            return kExitSystemError;
        }
    }
    if (!online.Open()) return Stopped() ? StoppedExit() : kExitSystemError;
    auto& page = online.page;
    if (page.Window().measured.empty()) {
        Note("the DISPLAY page holds no measured items");
        return kExitSystemError;
    }
    if (csv.is_open()) {
        csv << CsvField("time");
        for (const auto& m : page.Window().measured) {
            csv << ","
                << CsvField(shell::Trim(page.Cell(m.row, parameter::kColAddress)) + " " +
                            shell::Trim(page.Cell(m.row, parameter::kColName)));
        }
        csv << "\r\n";
    }
    for (int i = 0; i < o.count && !Stopped(); ++i) {
        if (i > 0) core.Data().hosts.clock->Wait(parameter::kPeriodicReadMs);
        if (Stopped()) break;
        if (!core.Engine().StartCommJob({kJobPeriodicRead, shell::Catalogue(kTextPeriodicRead)}))
            return kExitSystemError;
        core.Engine().RunCommJob(kJobLimitMs, Stopped);
        if (core.Engine().CommResult != kErrNone)
            return Stopped() ? StoppedExit() : kExitSystemError;
        const std::string stamp = shell::LocalTimeText("%Y-%m-%dT%H:%M:%S");
        ordered_json values = ordered_json::array();
        if (!Link().json) std::cout << stamp;
        if (csv.is_open()) csv << CsvField(stamp);
        for (const auto& m : page.Window().measured) {
            const std::string name = shell::Trim(page.Cell(m.row, parameter::kColName));
            const std::string data = shell::Trim(page.Cell(m.row, parameter::kColData));
            values.push_back({{"address", shell::Trim(page.Cell(m.row, parameter::kColAddress))},
                              {"name", JsonText(name)},
                              {"value", JsonText(data)},
                              {"aux", JsonText(page.Cell(m.row, parameter::kColAux))}});
            if (!Link().json) std::cout << "  " << name << " " << data;
            if (csv.is_open()) csv << "," << CsvField(data);
        }
        if (Link().json) {
            std::cout << ordered_json{{"time", stamp}, {"values", values}}.dump() << std::endl;
        } else {
            std::cout << std::endl;
        }
        if (csv.is_open()) csv << "\r\n" << std::flush;
    }
    if (csv.is_open() && !csv) {
        Note("the CSV file " + o.csv + " was not completely written");
        return kExitSystemError;
    }
    return Stopped() ? StoppedExit() : kExitOk;
}

int RunCancelOutput(shell::CoreSession& core) {
    OnlineSession online(core, parameter::PageCategory::Adjust);
    if (!online.Open()) return Stopped() ? StoppedExit() : kExitSystemError;
    auto& page = online.page;
    page.SetReading(false);
    const auto before = page.Rows();
    if (!online.Ran(page.CancelForcedOutput(online.Starter())))
        return Stopped() ? StoppedExit() : kExitSystemError;
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
    return kExitOk;
}

// ------------------------------------------------------------ ports

int RunPorts(shell::CoreSession&) {
#ifdef RQ50_HAVE_QT_PORT
    const auto ports = platform::AvailableSerialPorts();
    if (Link().json) {
        ordered_json list = ordered_json::array();
        for (const auto& p : ports) {
            list.push_back({{"name", p.name},
                            {"device", p.device},
                            {"description", p.description},
                            {"manufacturer", p.manufacturer}});
        }
        PrintJson(list);
        return kExitOk;
    }
    if (ports.empty()) Note("no serial ports found");
    for (const auto& p : ports) {
        std::cout << p.device;
        if (!p.description.empty()) std::cout << "  " << p.description;
        if (!p.manufacturer.empty()) std::cout << " (" << p.manufacturer << ")";
        std::cout << "\n";
    }
    return kExitOk;
#else
    Note("this build has no serial-port support");
    return kExitSystemError;
#endif
}

// ------------------------------------------------------------ registration

void AddLinkOptions(CLI::App& app) {
    // Every run of the command line starts from the defaults, also when one
    // process runs several (the in-process tests).
    Link() = LinkOptions{};
    g_stopSignal = 0;
    auto& l = Link();
    app.add_option("--port", l.port,
                   "serial device: COM1-COM4 or a device path (see the ports command); "
                   "without it the built-in simulated instrument answers")
        ->check(
            [](const std::string& device) -> std::string {
                // An empty word (an unset shell variable) must never fall back
                // to the simulated instrument and "succeed".
                return shell::Trim(device, shell::kSpaceOrTab).empty()
                           ? "--port names no device (an empty value); leave --port out for "
                             "the simulated instrument"
                           : std::string();
            },
            "DEVICE")
        ->group("Instrument link");
    app.add_option("--speed", l.speed, "starting speed in bit/s: 1200 or 9600")
        ->check(CLI::IsMember({1200, 9600}))
        ->group("Instrument link");
    app.add_option("--slot", l.slot, "slot to select when a rack interface asks (1-16)")
        ->check(CLI::Range(1, 16).description("1-16"))
        ->group("Instrument link");
    app.add_option("--log", l.log,
                   "write every frame of the run to FILE (default User/RQ50.Log of the "
                   "application folder); the path is printed at the end")
        ->expected(0, 1)
        ->type_name("[FILE]")
        ->group("Instrument link");
    app.add_flag("--log-append", l.logAppend, "add to the log instead of starting it afresh")
        ->group("Instrument link");
    app.add_flag("--quiet", l.quiet, "no progress line and no notes")->group("Instrument link");
    app.add_flag("--fast", l.fast,
                 "fast communication: send the next request as soon as an answer is complete "
                 "(after the --gap pause) instead of on the 50 ms tick")
        ->group("Instrument link");
    app.add_option("--gap", l.gapMs,
                   "with --fast: pause in ms between an answer and the next "
                   "request (default 20)")
        ->check(CLI::Range(0, 1000).description("0-1000"))
        ->group("Instrument link");
    app.add_option("--sim", l.sim, "instrument file of the simulated instrument (without --port)")
        ->group("Instrument link");
}

CLI::Option* AddCategoryOption(CLI::App* command, std::string& category) {
    return command
        ->add_option("--category", category, "the category: display, set, adjust or maint")
        ->check(CLI::IsMember(CategoryNames(), CLI::ignore_case).description(""))
        ->type_name("CATEGORY");
}

void AddJsonFlag(CLI::App* command, const std::string& what) {
    command->add_flag("--json", Link().json, "print " + what + " as JSON (see docs/cli.md)");
}

const char* const kLinkFooter =
    "Instrument link options, before or after the command: --port DEV (COM1-COM4 or a device "
    "path; without it the built-in simulated instrument answers), --speed 1200|9600, --slot N, "
    "--log [FILE], --log-append, --quiet, --fast, --gap MS, --sim FILE. See rq50-cli --help.";

CLI::App* AddInstrumentCommand(CLI::App& app, const std::string& name,
                               const std::string& description) {
    auto* command = app.add_subcommand(name, description);
    command->fallthrough();
    command->footer(kLinkFooter);
    return command;
}

void AddInstrumentCommands(CLI::App& app, CliContext& context) {
    AddLinkOptions(app);

    auto upload = std::make_shared<UploadOptions>();
    auto* up = AddInstrumentCommand(app, "upload", "upload all parameters into a parameter file");
    up->add_option("-o,--output", upload->output,
                   "the .7pa file to write (.7pa is added to a name without extension)")
        ->required();
    const std::pair<const char*, int> fields[] = {
        {"--title1", files::kBoxTitle1},        {"--title2", files::kBoxTitle2},
        {"--created-by", files::kBoxCreatedBy}, {"--instrument-no", files::kBoxInstrumentNo},
        {"--comment", files::kBoxComment},      {"--date", files::kBoxDate}};
    for (const auto& [flag, box] : fields) {
        up->add_option_function<std::string>(
            flag, [upload, box = box](const std::string& text) { upload->boxes[box] = text; },
            "information field");
    }
    up->callback([upload, &context] {
        context.run = [upload](shell::CoreSession& core) { return RunUpload(core, *upload); };
    });

    auto download = std::make_shared<DownloadOptions>();
    auto* down = AddInstrumentCommand(
        app, "download",
        "download a parameter file to the instrument and check every value read back");
    down->add_option("FILE", download->file, "the .7pa file")->required();
    down->add_option_function<std::string>(
        "--password", [download](const std::string& p) { download->password = p; },
        "the download password, when one is set");
    AddJsonFlag(down, "the outcome and the read-back differences");
    down->callback([download, &context] {
        context.run = [download](shell::CoreSession& core) { return RunDownload(core, *download); };
    });

    auto programOut = std::make_shared<std::string>();
    auto* pu =
        AddInstrumentCommand(app, "program-upload", "upload PROGRAM and CONST into a program file");
    pu->add_option("-o,--output", *programOut,
                   "the .7pr file to write (.7pr is added to a name without extension)")
        ->required();
    pu->callback([programOut, &context] {
        context.run = [programOut](shell::CoreSession& core) {
            return RunProgramUpload(core, *programOut);
        };
    });

    auto programIn = std::make_shared<DownloadOptions>();
    auto* pd = AddInstrumentCommand(
        app, "program-download",
        "run the command check, then download a program file and check every value read back");
    pd->add_option("FILE", programIn->file, "the .7pr file")->required();
    pd->add_flag("--force", programIn->force, "download even when the command check finds errors");
    pd->add_option_function<std::string>(
        "--password", [programIn](const std::string& p) { programIn->password = p; },
        "the download password, when one is set");
    AddJsonFlag(pd, "the check errors, the outcome and the read-back differences");
    pd->callback([programIn, &context] {
        context.run = [programIn](shell::CoreSession& core) {
            return RunProgramDownload(core, *programIn);
        };
    });

    auto verify = std::make_shared<std::string>();
    auto* vf = AddInstrumentCommand(
        app, "verify",
        "read the instrument and list every value that differs from a parameter file's SET "
        "items or a program file; writes nothing (exit 1 when any differ)");
    vf->add_option("FILE", *verify, "the .7pa or .7pr file")->required();
    AddJsonFlag(vf, "the differences");
    vf->callback([verify, &context] {
        context.run = [verify](shell::CoreSession& core) { return RunVerify(core, *verify); };
    });

    auto page = std::make_shared<PageOptions>();
    auto* pg = AddInstrumentCommand(app, "page", "show a page of a category online");
    AddCategoryOption(pg, page->category);
    pg->add_option("--tab", page->tab, "the tab (group) to show, from 1")
        ->check(CLI::Range(1, 63).description("1-63"));
    pg->add_option("--next", page->next, "move forward by K rows")
        ->check(CLI::Range(1, 4096).description("K >= 1"));
    pg->add_option("--prev", page->previous, "move back by K rows")
        ->check(CLI::Range(1, 4096).description("K >= 1"));
    AddJsonFlag(pg, "the page");
    pg->callback([page, &context] {
        context.run = [page](shell::CoreSession& core) { return RunPage(core, *page); };
    });

    auto read = std::make_shared<PageOptions>();
    auto* rd =
        AddInstrumentCommand(app, "read", "read one item, with its choices or the values it takes");
    AddCategoryOption(rd, read->category)->required();
    rd->add_option("ADDRESS", read->address, "the item's address, e.g. C02")->required();
    AddJsonFlag(rd, "the item");
    rd->callback([read, &context] {
        context.run = [read](shell::CoreSession& core) { return RunRead(core, *read); };
    });

    auto write = std::make_shared<PageOptions>();
    auto* wr = AddInstrumentCommand(
        app, "write",
        "write one item and check what the instrument holds afterwards (exit 1 when it is not "
        "the value asked for)");
    AddCategoryOption(wr, write->category)->required();
    wr->add_option("ADDRESS", write->address, "the item's address, e.g. C02")->required();
    wr->add_option("VALUE", write->value,
                   "the value; for a selection its code, its text or the start of its text")
        ->required();
    AddJsonFlag(wr, "the item as read back");
    wr->callback([write, &context] {
        context.run = [write](shell::CoreSession& core) { return RunWrite(core, *write); };
    });

    auto monitor = std::make_shared<PageOptions>();
    auto* mo = AddInstrumentCommand(
        app, "monitor", "read the measured values of the DISPLAY page every 5 s, time-stamped");
    mo->add_option("--count", monitor->count, "number of reads")
        ->check(CLI::Range(1, 1000000).description("N >= 1"));
    mo->add_option("--csv", monitor->csv, "also write the readings to a CSV file");
    AddJsonFlag(mo, "one JSON object a reading (JSON lines)");
    mo->callback([monitor, &context] {
        context.run = [monitor](shell::CoreSession& core) { return RunMonitor(core, *monitor); };
    });

    auto* co = AddInstrumentCommand(app, "cancel-output",
                                    "cancel a forced output (ADJUST page) and show what changed");
    co->callback([&context] {
        context.run = [](shell::CoreSession& core) { return RunCancelOutput(core); };
    });

    auto rate = std::make_shared<int>(1200);
    auto* bd = AddInstrumentCommand(app, "baud", "change the instrument's baud rate");
    bd->add_option("RATE", *rate, "1200 or 9600")->required()->check(CLI::IsMember({1200, 9600}));
    bd->callback([rate, &context] {
        context.run = [rate](shell::CoreSession& core) { return RunBaud(core, *rate); };
    });

    auto slot = std::make_shared<std::string>();
    auto* sl = AddInstrumentCommand(
        app, "slot",
        "select slot N of a rack interface and report the instrument in it; the rack forgets "
        "the slot when the line closes, so other commands take --slot N");
    sl->add_option("N", *slot, "slot number 1-16")->required();
    sl->callback([slot, &context] {
        context.run = [slot](shell::CoreSession& core) { return RunSlot(core, *slot); };
    });

    auto* ports = app.add_subcommand("ports", "list the serial ports of this machine");
    ports->fallthrough();
    AddJsonFlag(ports, "the ports");
    ports->callback(
        [&context] { context.run = [](shell::CoreSession& core) { return RunPorts(core); }; });
}

const RegisterCommands kInstrumentCommands(&AddInstrumentCommands);

}  // namespace

}  // namespace rq50::cli
