// The network line against a real serial device server: ser2net on the
// loopback address in front of tavro-sim's pseudo-terminal, reached over
// tcp:// and rfc2217://, and through a test proxy that splits, delays and
// cuts the stream. Fast pacing at 9600 bit/s keeps the transfers short.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "bench/Transfer.h"
#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/jobs/Jobs.h"
#include "parameter/ItemBlock.h"
#include "platform/LinePort.h"
#include "shell/Clock.h"
#include "support/CliRunner.h"
#include "support/Ser2net.h"
#include "support/SimProcess.h"
#include "support/TcpProxy.h"
#include "unit/CommFakes.h"
#include "unit/CommTestJob.h"

namespace rq50::integration {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const comm::CommPacing kFast{true, comm::kDefaultGapMs};

/// RQB2 at `speed` with measured values that hold still, so two uploads
/// read the same bytes.
std::string StillInstrument(int speed) {
    std::ifstream in(std::string(RQ50_SIM_INSTRUMENTS_DIR) + "/RQB2.json");
    json j = json::parse(in);
    j["speed"] = speed;
    for (auto& group : j["display"])
        for (auto& item : group["items"]) item.erase("measure");
    const auto path = fs::temp_directory_path() / ("rq50-net-" + std::to_string(::getpid()) + "-" +
                                                   std::to_string(speed) + ".json");
    std::ofstream(path) << j.dump(2);
    return path.string();
}

/// An application folder of its own for rq50-cli (the configuration files
/// of the build's), so no backup lands in the build's folder.
fs::path CliAppFolder(const std::string& name) {
    const auto folder =
        fs::temp_directory_path() / ("rq50-net-" + name + "-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(RQ50_BIN_DIR)) {
        if (entry.path().extension() == ".ini")
            fs::copy_file(entry.path(), folder / entry.path().filename(),
                          fs::copy_options::overwrite_existing);
    }
    return folder;
}

class NetworkLine : public ::testing::Test {
  protected:
    /// tavro-sim with RQB2 at `instrumentSpeed` behind ser2net at `serverSpeed`.
    void Serve(int instrumentSpeed, int serverSpeed) {
        m_instrumentFile = StillInstrument(instrumentSpeed);
        sim = std::make_unique<test::SimProcess>(m_instrumentFile);
        ASSERT_FALSE(sim->Path().empty()) << "tavro-sim printed no PTY line";
        server = std::make_unique<test::Ser2net>(sim->Path(), serverSpeed);
        if (!server->Why().empty()) GTEST_SKIP() << server->Why();
    }
    void TearDown() override {
        if (!m_instrumentFile.empty()) fs::remove(m_instrumentFile);
    }

    /// Runs upload or download on `device` with `data` (bench::Transfer: its
    /// own engine, every job, silent messages).
    bench::Figures Transfer(comm::Job job, const std::string& device, files::Workspace& data,
                            int speed = 9600) {
        platform::LinePort port;
        shell::SteadyClock clock;
        return bench::Transfer(job, kFast, port, clock, speed, data, device);
    }

    /// An engine on the real line whose messages are kept.
    struct Wired {
        Wired(const std::string& device, int speed, int connectTimeoutMs = 5000) {
            port.SetConnectTimeoutMs(connectTimeoutMs);
            engine.Data().hosts.clock = &clock;
            engine.Data().hosts.messages = &messages;
            engine.SetClock(&clock);
            engine.SetCommPacing(kFast);
            engine.SetDeviceOverride(device);
            engine.SetSpeed(speed);
            engine.AttachPort(&port);
            job.Register();
        }
        bool Run(int reads) {
            job.reads = reads;
            return engine.StartCommJob({comm::testing::TestReadJob::kCode, "Test"}) &&
                   engine.RunCommJob(60'000);
        }
        platform::LinePort port;
        shell::SteadyClock clock;
        comm::testing::RecordingMessages messages;
        comm::CommEngine engine;
        comm::testing::TestReadJob job{engine};
    };

    std::unique_ptr<test::SimProcess> sim;
    std::unique_ptr<test::Ser2net> server;

  private:
    std::string m_instrumentFile;
};

/// The data text of the TAG NO item, in place in its block.
std::uint8_t* TagData(parameter::ItemArray& items) {
    for (auto& block : items) {
        const auto item = parameter::DecodeItem(block, false);
        if (item.name.rfind("TAG NO", 0) == 0) return block.data() + 4 + item.nameLength;
    }
    return nullptr;
}

// What an upload reads and a download writes crosses either kind of device
// server exactly as on the pseudo-terminal itself, a tag holding FFh (the
// Telnet command byte) included: written over one line, read over all.
TEST_F(NetworkLine, TransfersAreByteIdenticalOverRawTcpAndRfc2217) {
    Serve(9600, 9600);
    files::Workspace direct;
    ASSERT_TRUE(Transfer(comm::kJobUpload, sim->Path(), direct).ok);
    files::Workspace viaServer;
    ASSERT_TRUE(Transfer(comm::kJobUpload, server->Rfc2217Url(), viaServer).ok);
    EXPECT_EQ(viaServer.items.dataSet, direct.items.dataSet);

    std::uint8_t* tag = TagData(direct.items.dataSet);
    ASSERT_NE(tag, nullptr);
    const std::pair<std::string, std::string> ways[] = {{server->Rfc2217Url(), server->RawUrl()},
                                                        {server->RawUrl(), server->Rfc2217Url()}};
    for (const auto& [writeOver, readOver] : ways) {
        tag[3] = tag[3] == 0xFF ? 'X' : 0xFF;
        tag[4] = 0xFF;
        const auto written = direct.items.dataSet;
        const auto down = Transfer(comm::kJobDownload, writeOver, direct);
        ASSERT_TRUE(down.ok) << writeOver;
        EXPECT_GT(down.items, 0u);
        files::Workspace back;
        ASSERT_TRUE(Transfer(comm::kJobUpload, readOver, back).ok) << readOver;
        EXPECT_EQ(back.items.dataSet, written) << writeOver << " then " << readOver;
    }
}

// The desktop program's line: connecting and negotiating run in a local
// event loop, and an answer is announced as it arrives, over either URL.
TEST_F(NetworkLine, TheEventDrivenLineAnnouncesAnswers) {
    Serve(9600, 9600);
    const std::vector<std::uint8_t> firstItem = {0x00, 0x00, 0x12, 0x04, 0x80,
                                                 0x00, 0x01, 0x00, 0x97};
    for (const std::string& url : {server->RawUrl(), server->Rfc2217Url()}) {
        platform::LinePort port(platform::LinePort::Mode::EventDriven);
        int announced = 0;
        port.OnDataArrived([&announced] { ++announced; });
        port.SetDevice(url);
        port.SetLineSettings({9600, 'N', 8, 1});
        ASSERT_TRUE(port.Open()) << url << ": " << port.ErrorDescription();
        // As the engine does: the line settles (the window's events go on),
        // what came meanwhile is no answer, then the request.
        QEventLoop settle;
        QTimer::singleShot(500, &settle, &QEventLoop::quit);
        settle.exec();
        port.ClearBuffers();
        announced = 0;
        ASSERT_TRUE(port.Write(firstItem));
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (port.BytesWaiting() < 8 && std::chrono::steady_clock::now() < end)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        EXPECT_GE(port.BytesWaiting(), 8) << url;
        EXPECT_GT(announced, 0) << url;
        EXPECT_TRUE(port.Close());
        EXPECT_FALSE(port.IsOpen());
    }
}

// An instrument left at 9600 bit/s behind a server set to 1200: RFC 2217 asks
// the server for the other speed after three tries and goes on there; raw
// TCP cannot, and says so after the three tries instead of three more.
TEST_F(NetworkLine, TheSpeedSwitchWorksOverRfc2217AndIsExplainedOverRawTcp) {
    Serve(9600, 1200);
    {
        Wired line(server->Rfc2217Url(), 1200);
        ASSERT_TRUE(line.Run(1));
        EXPECT_EQ(line.engine.LastOutcome().code, comm::kErrNone);
        EXPECT_EQ(line.engine.Speed(), 9600);
        EXPECT_EQ(line.job.model, "RQB2    ");
        EXPECT_TRUE(line.messages.boxes.empty());
    }
    Wired line(server->RawUrl(), 1200);
    ASSERT_TRUE(line.Run(1));
    EXPECT_EQ(line.engine.LastOutcome().code, comm::kErrPortOpen);
    EXPECT_EQ(line.engine.RequestsSent(), 3);
    EXPECT_EQ(line.messages.Texts(),
              std::vector<std::string>{
                  "8015:tcp://127.0.0.1:" + std::to_string(server->rawPort) +
                  " runs at the device server's speed; use rfc2217:// to let RQ50 switch "
                  "between 1200 and 9600 bit/s"});
    EXPECT_FALSE(line.port.IsOpen());
}

// The baud-rate change: over rfc2217:// the server follows the instrument
// to 9600 bit/s, so the next run at 9600 needs no speed switch; over tcp://
// it is refused before anything is written.
TEST_F(NetworkLine, TheBaudRateChangeAsksTheServerOrIsRefused) {
    Serve(1200, 1200);
    const auto folder = CliAppFolder("baud");
    const test::CliRunner cli(folder);
    const std::string link = "--no-register --quiet --fast --port ";
    const auto raw = cli(link + server->RawUrl() + " baud 9600");
    EXPECT_EQ(raw.exitCode, 1) << raw.all();
    EXPECT_NE(raw.all().find(" runs at the device server's speed; use rfc2217:// to let RQ50 "
                             "switch between 1200 and 9600 bit/s"),
              std::string::npos)
        << raw.all();
    const auto changed = cli(link + server->Rfc2217Url() + " baud 9600");
    EXPECT_EQ(changed.exitCode, 0) << changed.all();
    EXPECT_NE(changed.all().find("changed to 9600bps"), std::string::npos) << changed.all();
    const auto start = std::chrono::steady_clock::now();
    const auto fast =
        cli(link + server->Rfc2217Url() + " --speed 9600 upload -o " + (folder / "f.7pa").string());
    EXPECT_EQ(fast.exitCode, 0) << fast.all();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(9))
        << "three unanswered tries would take 9 s";
    fs::remove_all(folder);
}

// Nothing listens: the job ends at once naming host and port. Something
// listens but never speaks Telnet: the connect time-out ends the wait.
TEST_F(NetworkLine, ARefusedOrSilentServerEndsTheJobNamingIt) {
    const int port = test::FreeLoopbackPort();
    for (const std::string scheme : {"tcp://", "rfc2217://"}) {
        Wired line(scheme + "127.0.0.1:" + std::to_string(port), 1200);
        ASSERT_TRUE(line.Run(1));
        EXPECT_EQ(line.engine.LastOutcome().code, comm::kErrPortOpen);
        EXPECT_EQ(line.engine.RequestsSent(), 0);
        ASSERT_EQ(line.messages.Texts().size(), 1u);
        EXPECT_EQ(line.messages.Texts()[0],
                  "8010:Connection refused by 127.0.0.1:" + std::to_string(port) +
                      ": no device server listens on that port");
    }

    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(silent, 1), 0);
    ASSERT_EQ(::getsockname(silent, reinterpret_cast<sockaddr*>(&a), &size), 0);
    const std::string where = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    Wired line("rfc2217://" + where, 1200, 300);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(line.Run(1));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(line.engine.LastOutcome().code, comm::kErrPortOpen);
    EXPECT_EQ(line.messages.Texts(),
              std::vector<std::string>{"8015:" + where +
                                       " does not take the RFC 2217 serial-port settings; for a "
                                       "raw TCP port use tcp://" +
                                       where});
    ::close(silent);
}

// Frames that arrive a byte at a time are put together by their length; a
// connection cut in the middle of a download is a lost line, with the
// download's partial report.
TEST_F(NetworkLine, SplitFramesAreReassembledAndACutConnectionIsALostLine) {
    Serve(9600, 9600);
    {
        test::TcpProxy trickle(server->rawPort, {.latencyMs = 0, .byteGapMs = 3});
        Wired line(trickle.Url(), 9600);
        ASSERT_TRUE(line.Run(4));
        EXPECT_EQ(line.engine.LastOutcome().code, comm::kErrNone);
        EXPECT_EQ(line.job.names.size(), 5u);
        EXPECT_EQ(line.engine.RequestsSent(), 5) << "no request was sent twice";
    }
    // rq50-cli downloads through a proxy that cuts the connection during the
    // writes (the backup takes the first 43 requests).
    const auto folder = CliAppFolder("cut");
    const test::CliRunner cli(folder);
    const std::string file = (folder / "a.7pa").string();
    const std::string link = "--no-register --quiet --fast --speed 9600 --port ";
    ASSERT_EQ(cli(link + server->RawUrl() + " upload -o " + file).exitCode, 0);
    test::TcpProxy cutting(server->rawPort, {.byteGapMs = 1, .cutAfterRequests = 48});
    const auto run = cli(link + cutting.Url() + " download --yes " + file);
    fs::remove_all(folder);
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_EQ(cutting.Requests(), 48);
    const std::string out = run.all();
    for (const std::string& part :
         {"The connection to " + cutting.Url() + " was lost", std::string("Items written: "),
          "backup: " + (folder / "User/BACKUP/").string(),
          "download --no-backup '" + (folder / "User/BACKUP/").string()}) {
        EXPECT_NE(out.find(part), std::string::npos) << part << "\n" << out;
    }
    EXPECT_EQ(out.find("Response time out"), std::string::npos) << out;
}

// rq50-cli reaches one rack through the device server and another on its
// pseudo-terminal in one run: every slot in the JSON names its port, and
// each port's files go to a folder of its own.
TEST_F(NetworkLine, OneRackRunPerPortAtOnce) {
    test::SimProcess near("ZNC.json");
    test::SimProcess far("ZNC.json");
    ASSERT_FALSE(near.Path().empty());
    ASSERT_FALSE(far.Path().empty());
    test::Ser2net farServer(far.Path());
    if (!farServer.Why().empty()) GTEST_SKIP() << farServer.Why();
    const auto folder = CliAppFolder("rack");
    const auto run = test::CliRunner(folder)(
        "--no-register --quiet --fast rack upload --json --slots 1-2 --port " + near.Path() +
        " --port " + farServer.Rfc2217Url() + " " + (folder / "racks").string());
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder / "racks"))
        if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), folder).string());
    // With a download password, the one given holds for every rack's run.
    const test::CliRunner cli(folder);
    ASSERT_EQ(cli("password set 12").exitCode, 0);
    const auto down =
        cli("--no-register --quiet --fast rack download --yes --json --slots 1 "
            "--password 12 --port " +
            near.Path() + " --port " + farServer.Rfc2217Url() + " " + (folder / "racks").string());
    fs::remove_all(folder);
    EXPECT_EQ(down.exitCode, 0) << down.all();
    ASSERT_EQ(run.exitCode, 0) << run.all();
    const json out = json::parse(run.out);
    ASSERT_EQ(out["racks"].size(), 2u);
    std::map<std::string, int> slotsOfPort;
    for (const auto& slot : out["slots"]) ++slotsOfPort[slot["port"].get<std::string>()];
    EXPECT_EQ(slotsOfPort,
              (std::map<std::string, int>{{near.Path(), 2}, {farServer.Rfc2217Url(), 2}}));
    std::string nearFolder = near.Path().substr(5);  // "pts/3" becomes "pts_3"
    std::replace(nearFolder.begin(), nearFolder.end(), '/', '_');
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"racks/" + nearFolder + "/S01_RQB2_FIC-101.7pa",
                                               "racks/rfc2217_127.0.0.1_" +
                                                   std::to_string(farServer.rfc2217Port) +
                                                   "/S01_RQB2_FIC-101.7pa"}));
}

}  // namespace
}  // namespace rq50::integration
