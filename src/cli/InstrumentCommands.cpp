// The command table of the rq50-cli commands that talk to an instrument:
// their options and arguments, and the link options they share. The commands
// themselves are in TransferCommands.cpp, OnlineCommands.cpp and
// PortsCommand.cpp; InstrumentSession.h says how they reach the instrument.

#include "cli/InstrumentCommands.h"

#include "cli/Cli.h"
#include "cli/CliHosts.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentSession.h"
#include "cli/ProgramSupport.h"
#include "comm/CommLog.h"
#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/Frame.h"
#include "comm/PortAddress.h"
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
#include "files/SettingFile.h"
#include "files/Workspace.h"
#include "parameter/ItemBlock.h"
#include "parameter/ItemEdit.h"
#include "parameter/PageModel.h"
#include "parameter/ValueRules.h"
#include "program/ProgramTypes.h"
#include "session/CoreSession.h"
#include "session/Navigation.h"
#include "shell/AppPaths.h"
#include "shell/Catalogue.h"
#include "shell/Clock.h"
#include "shell/ConfigTables.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextTrim.h"
#include "sim/Instrument.h"
#include "sim/SampleInstruments.h"
#include "sim/SimulatedLine.h"

#include <memory>
#include <string>
#include <utility>

namespace rq50::cli {

namespace {

void AddLinkOptions(CLI::App& app) {
    ResetLink();
    auto& l = Link();
    app.add_option("--port", l.ports,
                   "serial device: COM1-COM4, a device path (see the ports command), or a "
                   "device server: tcp://HOST:PORT or rfc2217://HOST:PORT; without it the "
                   "built-in simulated instrument answers")
        ->check(
            [](const std::string& device) -> std::string {
                // An empty word (an unset shell variable) must never fall back
                // to the simulated instrument and "succeed".
                if (shell::Trim(device, shell::kSpaceOrTab).empty())
                    return "--port names no device (an empty value); leave --port out for "
                           "the simulated instrument";
                std::string why;
                if (!comm::ParsePortAddress(device, &why)) return why;
                return {};
            },
            "DEVICE")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->each([](const std::string& device) {
            if (Link().port.empty()) Link().port = device;
        })
        ->type_name("DEVICE")
        ->group("Instrument link");
    app.add_option("--connect-timeout", l.connectTimeoutS,
                   "seconds to wait for a device server to accept the connection (default 5)")
        ->check(CLI::Range(0.1, 600.0).description("0.1-600"))
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
    app.add_flag("--sim-reset", l.simReset,
                 "start the built-in simulated instrument as shipped, forgetting what earlier "
                 "runs wrote to it")
        ->group("Instrument link");
}

CLI::Option* AddCategoryOption(CLI::App* command, std::string& category) {
    return command
        ->add_option("--category", category, "the category: display, set, adjust or maint")
        ->check(CLI::IsMember(CategoryNames(), CLI::ignore_case).description(""))
        ->type_name("CATEGORY");
}

const char* const kDefaultCategory = "the category: display, set, adjust or maint (default set)";

void AddJsonFlag(CLI::App* command, const std::string& what) {
    command->add_flag("--json", Link().json, "print " + what + " as JSON (see docs/cli.md)");
}

const char* const kLinkFooter =
    "Instrument link options, before or after the command: --port DEV (COM1-COM4, a device "
    "path, tcp://HOST:PORT or rfc2217://HOST:PORT; without it the built-in simulated instrument "
    "answers), --connect-timeout S, --speed 1200|9600, --slot N, "
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
    up->add_flag("--force", upload->force, "replace the file when it exists");
    const std::pair<const char*, files::InfoBox> fields[] = {
        {"--title1", files::InfoBox::Title1},        {"--title2", files::InfoBox::Title2},
        {"--created-by", files::InfoBox::CreatedBy}, {"--instrument-no", files::InfoBox::InstrumentNo},
        {"--comment", files::InfoBox::Comment},      {"--date", files::InfoBox::Date}};
    for (const auto& [flag, box] : fields) {
        up->add_option_function<std::string>(
            flag, [upload, box = box](const std::string& text) { upload->boxes[box] = text; },
            "information field");
    }
    up->callback([upload, &context] {
        context.run = [upload](session::CoreSession& core) { return RunUpload(core, *upload); };
    });

    auto download = std::make_shared<DownloadOptions>();
    auto* down = AddInstrumentCommand(
        app, "download",
        "download a parameter file to the instrument and check every value read back");
    down->add_option("FILE", download->file, "the .7pa file")->required();
    down->add_option_function<std::string>(
        "--password", [download](const std::string& p) { download->password = p; },
        "the download password, when one is set");
    down->add_flag("--no-backup", download->noBackup,
                   "do not upload and keep the instrument's set in User/BACKUP first");
    down->add_flag("--yes", download->yes,
                   "download without asking after the list of changes (for scripts)");
    AddReasonOption(down, download->reason);
    AddJsonFlag(down, "the outcome and the read-back differences");
    down->callback([download, &context] {
        context.run = [download](session::CoreSession& core) {
            return RunDownload(core, *download);
        };
    });

    auto programOut = std::make_shared<std::string>();
    auto* pu =
        AddInstrumentCommand(app, "program-upload", "upload PROGRAM and CONST into a program file");
    pu->add_option("-o,--output", *programOut,
                   "the .7pr file to write (.7pr is added to a name without extension)")
        ->required();
    pu->callback([programOut, &context] {
        context.run = [programOut](session::CoreSession& core) {
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
    pd->add_flag("--no-backup", programIn->noBackup,
                 "do not upload and keep the instrument's program in User/BACKUP first");
    pd->add_flag("--yes", programIn->yes,
                 "download without asking after the list of changes (for scripts)");
    AddReasonOption(pd, programIn->reason);
    AddJsonFlag(pd, "the check errors, the outcome and the read-back differences");
    pd->callback([programIn, &context] {
        context.run = [programIn](session::CoreSession& core) {
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
        context.run = [verify](session::CoreSession& core) { return RunVerify(core, *verify); };
    });

    auto page = std::make_shared<PageOptions>();
    auto* pg = AddInstrumentCommand(app, "page", "show a page of a category online");
    AddCategoryOption(pg, page->category)->description(kDefaultCategory);
    pg->add_option("--tab", page->tab, "the tab (group) to show, from 1")
        ->check(CLI::Range(1, 63).description("1-63"));
    pg->add_option("--next", page->next, "move forward by K rows")
        ->check(CLI::Range(1, 4096).description("K >= 1"));
    pg->add_option("--prev", page->previous, "move back by K rows")
        ->check(CLI::Range(1, 4096).description("K >= 1"));
    AddJsonFlag(pg, "the page");
    pg->callback([page, &context] {
        context.run = [page](session::CoreSession& core) { return RunPage(core, *page); };
    });

    auto read = std::make_shared<PageOptions>();
    auto* rd =
        AddInstrumentCommand(app, "read", "read one item, with its choices or the values it takes");
    AddCategoryOption(rd, read->category)->description(kDefaultCategory);
    rd->add_option("ADDRESS", read->address, "the item's address, e.g. C02")->required();
    AddJsonFlag(rd, "the item");
    rd->callback([read, &context] {
        context.run = [read](session::CoreSession& core) { return RunRead(core, *read); };
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
    wr->add_option_function<std::string>(
        "--password", [write](const std::string& p) { write->password = p; },
        "the download password, when one is set");
    AddJsonFlag(wr, "the item as read back");
    wr->callback([write, &context] {
        context.run = [write](session::CoreSession& core) { return RunWrite(core, *write); };
    });

    auto monitor = std::make_shared<PageOptions>();
    auto* mo = AddInstrumentCommand(
        app, "monitor",
        "read the measured values of the DISPLAY page every 5 s (--interval), time-stamped, "
        "until Ctrl-C (or --count, --duration)");
    mo->add_option("--count", monitor->count, "number of reads (default: until Ctrl-C)")
        ->check(CLI::Range(1, 1000000).description("N >= 1"));
    mo->add_option("--interval", monitor->intervalS, "seconds between readings (default 5)")
        ->check(CLI::Range(1, 3600).description("1-3600"));
    mo->add_option("--duration", monitor->durationS,
                   "read for this many seconds instead of --count readings")
        ->check(CLI::Range(1, 31 * 24 * 3600).description("S >= 1"));
    mo->add_option("--csv", monitor->csv,
                   "also write the readings to a CSV file: time (ISO 8601), then one column "
                   "\"<address> <name>\" a measured item, values as plain numbers; a failed "
                   "reading leaves its cells empty");
    mo->add_flag("--force", monitor->force, "let --csv replace an existing file");
    AddJsonFlag(mo, "one JSON object a reading (JSON lines)");
    mo->callback([monitor, &context] {
        context.run = [monitor](session::CoreSession& core) { return RunMonitor(core, *monitor); };
    });

    auto* co = AddInstrumentCommand(app, "cancel-output",
                                    "cancel a forced output (ADJUST page) and show what changed");
    co->callback([&context] {
        context.run = [](session::CoreSession& core) { return RunCancelOutput(core); };
    });

    auto rate = std::make_shared<int>(1200);
    auto* bd = AddInstrumentCommand(app, "baud", "change the instrument's baud rate");
    bd->add_option("RATE", *rate, "1200 or 9600")->required()->check(CLI::IsMember({1200, 9600}));
    bd->callback([rate, &context] {
        context.run = [rate](session::CoreSession& core) { return RunBaud(core, *rate); };
    });

    auto slot = std::make_shared<std::string>();
    auto* sl = AddInstrumentCommand(
        app, "slot",
        "select slot N of a rack interface and report the instrument in it; the rack forgets "
        "the slot when the line closes, so other commands take --slot N");
    sl->add_option("N", *slot, "slot number 1-16")->required();
    sl->callback([slot, &context] {
        context.run = [slot](session::CoreSession& core) { return RunSlot(core, *slot); };
    });

    auto rack = std::make_shared<RackCliOptions>();
    auto* rk = AddInstrumentCommand(
        app, "rack",
        "a rack interface's slots in one run: scan what each holds, upload, verify or download "
        "every instrument (each slot its own line opening)");
    rk->add_option("ACTION", rack->action, "scan, upload, verify or download")
        ->required()
        ->check(CLI::IsMember({"scan", "upload", "verify", "download"}));
    rk->add_option("FOLDER", rack->folder,
                   "upload: the folder the files go to (S03_<model>_<tag>.7pa); verify: the "
                   "folder of files to compare with (default: the register's last good "
                   "records); download: the folder of files, each to the slot its name starts "
                   "with");
    rk->add_option("--slots", rack->slots, "the slots, e.g. 1-4,7 (default all 16)");
    rk->add_flag("--yes", rack->yes, "download: go on after each slot's list of changes");
    rk->add_flag("--force", rack->force, "upload: replace slot files that exist");
    rk->add_option_function<std::string>(
        "--password", [rack](const std::string& p) { rack->password = p; },
        "download: the download password, when one is set");
    AddReasonOption(rk, rack->reason);
    AddJsonFlag(rk, "every slot's outcome");
    rk->callback([rack, &context] {
        context.run = [rack](session::CoreSession& core) { return RunRack(core, *rack); };
    });

    auto* ports = app.add_subcommand("ports", "list the serial ports of this machine");
    ports->fallthrough();
    AddJsonFlag(ports, "the ports");
    ports->callback(
        [&context] { context.run = [](session::CoreSession& core) { return RunPorts(core); }; });
}

const RegisterCommands kInstrumentCommands(&AddInstrumentCommands);

}  // namespace

}  // namespace rq50::cli
