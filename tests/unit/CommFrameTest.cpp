#include <gtest/gtest.h>

#include <numeric>

#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/EngineCore.h"
#include "comm/Frame.h"
#include "shell/SettingsStore.h"
#include "unit/CommFakes.h"

namespace rq50::comm {
namespace {

using testing::Bytes;
using testing::ScriptedPort;

/// Checksum recomputed independently of the builder.
std::uint8_t SumOf(const Bytes& bytes, std::size_t count) {
    return static_cast<std::uint8_t>(std::accumulate(bytes.begin(), bytes.begin() + count, 0u) %
                                     256);
}

class CommFrame : public ::testing::Test, public testing::CommFixture {};

TEST_F(CommFrame, ReadRequestMatchesWorkedExampleAndItsRetransmission) {
    core.ReqItem(26, 0, 0);
    EXPECT_EQ(core.SendBuffer, (Bytes{0x00, 0x00, 0x12, 0x04, 0x80, 0x1A, 0x00, 0x00, 0xB0}));
    EXPECT_EQ(FrameToText(core.SendBuffer, false), "00 00 12 04 80 1A 00 00 B0 ");

    core.CommRetry = 1;
    core.ReqItem(26, 0, 0);
    EXPECT_EQ(core.SendBuffer, (Bytes{0x00, 0x00, 0x52, 0x04, 0x80, 0x1A, 0x00, 0x00, 0xF0}));
}

TEST_F(CommFrame, EachBuilderSendsItsCommandAndAddress) {
    struct Row {
        std::function<void()> build;
        std::uint8_t command, ma, mb, mc;
    };
    const Row rows[] = {
        {[this] { core.ReqFirstItem(); }, 0x80, 0, 1, 0},
        {[this] { core.ReqItem82(7); }, 0x82, 7, 0, 0},
        {[this] { core.ReqNextMB(7, 3); }, 0x84, 7, 3, 0},
        {[this] { core.ReqPrevMB(7, 3); }, 0x85, 7, 3, 0},
        {[this] { core.ReqItem86(4, 7, 2); }, 0x86, 4, 7, 2},
        {[this] { core.ReqCommand10(0, 0, 0); }, 0x10, 0, 0, 0},
        {[this] { core.ReqWrite(20, 12, 5); }, 0x40, 20, 12, 5},
    };
    for (const auto& row : rows) {
        core.ClearSendData();
        row.build();
        ASSERT_EQ(core.SendBuffer.size(), 9u);
        EXPECT_EQ(core.SendBuffer[3], 4);
        EXPECT_EQ(core.SendBuffer[4], row.command);
        EXPECT_EQ(core.SendBuffer[5], row.ma);
        EXPECT_EQ(core.SendBuffer[6], row.mb);
        EXPECT_EQ(core.SendBuffer[7], row.mc);
        EXPECT_EQ(core.SendBuffer[8], SumOf(core.SendBuffer, 8));
    }
}

TEST_F(CommFrame, WriteRequestsCarryEightOrSixteenDataBytes) {
    core.SetSendDataText("      05");
    core.ReqWrite(0, 0, 0);
    ASSERT_EQ(core.SendBuffer.size(), 17u);
    EXPECT_EQ(core.SendBuffer[3], 0x0C);
    EXPECT_EQ(std::string(core.SendBuffer.begin() + 8, core.SendBuffer.begin() + 16), "      05");
    EXPECT_EQ(core.SendBuffer[16], SumOf(core.SendBuffer, 16));

    core.SetSendDataText("ABCDEFGHIJKLMNOP");
    core.ReqWrite(1, 2, 3);
    ASSERT_EQ(core.SendBuffer.size(), 25u);
    EXPECT_EQ(core.SendBuffer[3], 0x14);
    EXPECT_EQ(core.SendBuffer[24], SumOf(core.SendBuffer, 24));

    // The write alias builds the identical frame; data bytes never go with a read.
    const Bytes write = core.SendBuffer;
    core.MakeFrame(0, kFnWriteAlias, 0, 1, 2, 3);
    EXPECT_EQ(core.SendBuffer, write);
    core.ReqItem(1, 2, 3);
    EXPECT_EQ(core.SendBuffer.size(), 9u);
}

TEST_F(CommFrame, AsciiRenderingReplacesControlAndUpperBytes) {
    EXPECT_EQ(FrameToText({0x41, 0x0D, 0x7F, 0xC8}, true), "A\xA5\xA5\xC8");
    EXPECT_EQ(FrameToText({0x1F, 0x20, 0x7E, 0x9F, 0xA0, 0xDF, 0xE0, 0xFF}, true),
              "\xA5 ~\xA5\xA0\xDF\xA5\xA5");
    EXPECT_EQ(FrameToText({0x0A, 0xFF}, false), "0A FF ");
}

TEST_F(CommFrame, TextLengthFollowsTypeAndLengthCodes) {
    auto length = [](int b4, int b5, int b6) {
        const std::uint8_t header[8] = {0,
                                        0,
                                        0,
                                        0,
                                        static_cast<std::uint8_t>(b4),
                                        static_cast<std::uint8_t>(b5),
                                        static_cast<std::uint8_t>(b6),
                                        0};
        return ResponseTextLength(header);
    };
    EXPECT_EQ(length(0x00, 0x00, 0x00), 0);
    EXPECT_EQ(length(0x40, 0x00, 0x80), 16);      // type 1: data only
    EXPECT_EQ(length(0x80, 0x40, 0x00), 12 + 8);  // type 2, name code 1
    EXPECT_EQ(length(0xC0, 0x00, 0x80), 8 + 16 + 8);
    EXPECT_EQ(length(0x80, 0x80, 0x40), 0);  // undecodable codes give nothing
}

TEST_F(CommFrame, ReceptionTakesHeaderThenBodyOnALaterStep) {
    ScriptedPort port(clock);
    port.Open();
    port.respond = [](const Bytes&, int) {
        auto frame = testing::ResponseFrame(26, 0, "PV      ", "  12.5  ");
        return std::vector<ScriptedPort::Part>{{0, Bytes(frame.begin(), frame.begin() + 5)},
                                               {100, Bytes(frame.begin() + 5, frame.end())}};
    };
    port.Write({});
    int status = kRecvHeader;
    core.RecvFrame(port, status);
    EXPECT_EQ(status, kRecvHeader) << "five bytes are not a header";
    clock.Advance(100);
    core.RecvFrame(port, status);
    EXPECT_EQ(status, kRecvBody);
    EXPECT_EQ(core.RecvTextLength, 16);
    core.RecvFrame(port, status);
    EXPECT_EQ(status, kRecvComplete);
    EXPECT_EQ(core.RespName, "PV      ");
    EXPECT_EQ(core.RespData, "  12.5  ");
    EXPECT_EQ(core.RespMA, 26);
    EXPECT_EQ(core.LastRespName, "PV");
    EXPECT_EQ(core.RecvBuffer.size(), 8u + 16u + 1u);
}

TEST_F(CommFrame, StrayBytesBeforeAResponseArePassedOver) {
    ScriptedPort port(clock);
    port.Open();
    const Bytes frame = testing::ResponseFrame(2, 3, "SCALE LO", "+012.50 ");
    // The tail of an answer cut off by the clearing before this request, with
    // a zero checksum, then the answer itself.
    Bytes stream;
    for (const char c : std::string("50  ")) stream.push_back(static_cast<std::uint8_t>(c));
    stream.push_back(0x00);
    for (const auto b : frame) stream.push_back(b);
    port.respond = [&](const Bytes&, int) { return std::vector<ScriptedPort::Part>{{0, stream}}; };
    port.Write({});
    int status = kRecvHeader;
    core.RecvFrame(port, status);
    ASSERT_EQ(status, kRecvBody);
    core.RecvFrame(port, status);
    ASSERT_EQ(status, kRecvComplete);
    EXPECT_EQ(core.RecvBuffer, frame);
    EXPECT_TRUE(ChecksumOk(core.RecvBuffer));
    EXPECT_EQ(core.RespName, "SCALE LO");
    EXPECT_EQ(core.RespMB, 3);
}

TEST_F(CommFrame, RetransmissionMarkGivesTheBuildersFrame) {
    core.ReqWrite(3, 4, 0);
    auto frame = core.SendBuffer;
    core.CommRetry = 1;
    core.ReqWrite(3, 4, 0);
    core.CommRetry = 0;
    MarkRetransmission(frame);
    EXPECT_EQ(frame, core.SendBuffer);
    frame.back() ^= 1;
    EXPECT_FALSE(ChecksumOk(frame));
}

TEST_F(CommFrame, AnAnswerBelongsToTheRequestThatNamesItsAddress) {
    const auto answer = [this](int ma, int mb, const std::string& name = "ITEM    ",
                               const std::string& data = "        ") {
        core.DecodeResponse(testing::ResponseFrame(ma, mb, name, data), true);
    };
    const auto request = [this](const std::function<void()>& build) {
        build();
        return core.SendBuffer;
    };
    const auto read32 = request([this] { core.ReqItem(3, 2, 0); });
    answer(3, 2);
    EXPECT_TRUE(core.AnswerBelongsTo(read32));
    answer(3, 1);
    EXPECT_FALSE(core.AnswerBelongsTo(read32)) << "the answer to the request before";
    answer(0, 0, "SLOT NO ", "      00");
    EXPECT_TRUE(core.AnswerBelongsTo(read32)) << "a rack that lost its slot is reported as such";

    const auto setStart = request([this] { core.ReqItem(25, 0, 0); });
    answer(7, 0);
    EXPECT_TRUE(core.AnswerBelongsTo(setStart));
    answer(7, 1);
    EXPECT_FALSE(core.AnswerBelongsTo(setStart));

    const auto nextGroup = request([this] { core.ReqItem82(4); });
    answer(9, 0);
    EXPECT_TRUE(core.AnswerBelongsTo(nextGroup));
    answer(4, 2);
    EXPECT_FALSE(core.AnswerBelongsTo(nextGroup));

    const auto next = request([this] { core.ReqNextMB(4, 2); });
    answer(4, 1);
    EXPECT_TRUE(core.AnswerBelongsTo(next)) << "wrapped to the group's first item";
    answer(5, 3);
    EXPECT_FALSE(core.AnswerBelongsTo(next));

    const auto maintenance = request([this] { core.ReqCommand10(0, 0, 0); });
    answer(4, 0);
    EXPECT_TRUE(core.AnswerBelongsTo(maintenance));
}

TEST_F(CommFrame, ResponseWithoutTextsWaitsForItsChecksumOnly) {
    ScriptedPort port(clock);
    port.Open();
    const Bytes frame = testing::ResponseFrame(3, 4, "", "", ResponseStatus::AddressError);
    ASSERT_EQ(frame.size(), 9u);
    port.respond = [&](const Bytes&, int) {
        return std::vector<ScriptedPort::Part>{{0, Bytes(frame.begin(), frame.begin() + 8)},
                                               {50, {frame[8], 0x55, 0x66}}};
    };
    port.Write({});
    int status = kRecvHeader;
    core.RecvFrame(port, status);
    ASSERT_EQ(status, kRecvBody);
    core.RecvFrame(port, status);
    EXPECT_EQ(status, kRecvBody);
    clock.Advance(50);
    core.RecvFrame(port, status);
    EXPECT_EQ(status, kRecvComplete);
    EXPECT_EQ(core.RecvBuffer, frame) << "trailing bytes stay in the port";
    EXPECT_EQ(port.BytesWaiting(), 2);
    EXPECT_EQ(core.RespStatus, ResponseStatus::AddressError);
}

TEST_F(CommFrame, NameLengthCodesTwoAndThreeLeaveAllTextAsData) {
    Bytes frame = {0, 0, 0x12, 12, 0x81, 0xC0 | 5, 2, 0, 'M', 'O', 'D', 'E', 'L', ' ', ' ', ' ', 0};
    core.DecodeResponse(frame, true);
    EXPECT_EQ(core.RespName, "");
    EXPECT_EQ(core.RespData, "MODEL   ");
    EXPECT_EQ(core.RespMA, 5);
}

TEST_F(CommFrame, PortOpensWithSettingsAndSettles) {
    shell::MemorySettingsStore settings;
    settings.Set("COM2Device", "/dev/ttyUSB0");
    ws.hosts.settings = &settings;
    EXPECT_EQ(DeviceForPort(ws.hosts, 2), "/dev/ttyUSB0");
#ifdef _WIN32
    EXPECT_EQ(DeviceForPort(ws.hosts, 3), "COM3");  // the Windows port of that name
#else
    EXPECT_EQ(DeviceForPort(ws.hosts, 3), "/dev/ttyS2");
#endif

    ScriptedPort port(clock);
    ws.state.comPort = 2;
    core.CommSettings.speed = 9600;
    EXPECT_EQ(core.OpenCommPort(port), 0);
    EXPECT_EQ(clock.NowMs(), kOpenSettleMs);
    EXPECT_EQ(port.Device(), "/dev/ttyUSB0");
    EXPECT_EQ(port.Speed(), 9600);
    EXPECT_FALSE(core.PortWasOpen);

    EXPECT_EQ(core.OpenCommPort(port), 0);
    EXPECT_TRUE(core.PortWasOpen);
    EXPECT_EQ(clock.NowMs(), kOpenSettleMs) << "an open port is not opened again";

    engine.SetDeviceOverride("/dev/pts/7");
    EXPECT_EQ(engine.CommDevice(), "/dev/pts/7");
}

}  // namespace
}  // namespace rq50::comm
