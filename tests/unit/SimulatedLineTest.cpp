// The simulated line moves bytes with wire timing on the virtual clock.

#include "SimTestSupport.h"
#include "sim/SimulatedLine.h"

namespace rq50::sim::test {
namespace {

class SimLine : public ::testing::Test {
  protected:
    void SetUp() override {
        instrument.SetLatencyMs(20);
        line.SetLineSettings({1200, 'N', 8, 1});
        ASSERT_TRUE(line.Open());
    }
    // The model item answer: 8 header bytes, 16 text bytes, checksum.
    static constexpr int kModelAnswerBytes = 25;

    shell::VirtualClock clock;
    Instrument instrument = LoadShipped("RQB2.json");
    SimulatedLine line{clock, &instrument};
};

TEST_F(SimLine, AnswerArrivesAfterRequestLatencyAndAnswerOnTheWire) {
    ASSERT_TRUE(line.Write(MakeRequest(kCmdRead, 0, 1, 0)));
    // 9 request bytes and 25 answer bytes at 10 bits a byte, 1200 bit/s.
    const std::int64_t requestUs = 9 * 10 * 1'000'000LL / 1200;
    const std::int64_t firstByteMs = (requestUs + 20'000 + 10'000'000 / 1200 + 999) / 1000;
    const std::int64_t completeMs =
        (requestUs + 20'000 + kModelAnswerBytes * 10'000'000LL / 1200 + 999) / 1000;
    clock.Advance(firstByteMs - 1);
    EXPECT_EQ(line.BytesWaiting(), 0);
    clock.Advance(1);
    EXPECT_EQ(line.BytesWaiting(), 1);
    clock.Advance(completeMs - firstByteMs - 1);
    EXPECT_LT(line.BytesWaiting(), kModelAnswerBytes);
    clock.Advance(1);
    EXPECT_EQ(line.BytesWaiting(), kModelAnswerBytes);

    line.SetInputLength(8);
    EXPECT_EQ(line.Read().size(), 8u);
    line.SetInputLength(0);
    const Bytes rest = line.Read();
    EXPECT_EQ(rest.size(), static_cast<std::size_t>(kModelAnswerBytes - 8));
    EXPECT_EQ(std::string(rest.begin() + 8, rest.end() - 1), "RQB2    ");
}

TEST_F(SimLine, FasterLineGivesFasterAnswer) {
    Instrument fast = LoadShipped("RQB2.json");
    fast.Faults().startSpeed = 9600;
    fast.PowerCycle();
    SimulatedLine fastLine{clock, &fast};
    fastLine.SetLineSettings({9600, 'N', 8, 1});
    ASSERT_TRUE(fastLine.Open());
    ASSERT_TRUE(fastLine.Write(MakeRequest(kCmdRead, 0, 1, 0)));
    clock.Advance(20 + (9 + kModelAnswerBytes) * 10 * 1000 / 9600 + 1);
    EXPECT_EQ(fastLine.BytesWaiting(), kModelAnswerBytes);
}

TEST_F(SimLine, BytesAtTheWrongSpeedAreLostBothWays) {
    line.SetLineSettings({9600, 'N', 8, 1});
    ASSERT_TRUE(line.Write(MakeRequest(kCmdRead, 0, 1, 0)));
    clock.Advance(5000);
    EXPECT_EQ(line.BytesWaiting(), 0);
    EXPECT_EQ(instrument.RequestCount(), 0);

    // The instrument hears a 1200 request but the tool switches to 9600
    // before the answer arrives.
    line.SetLineSettings({1200, 'N', 8, 1});
    ASSERT_TRUE(line.Write(MakeRequest(kCmdRead, 0, 1, 0)));
    clock.Advance(80);
    line.SetLineSettings({9600, 'N', 8, 1});
    clock.Advance(1000);
    EXPECT_EQ(instrument.RequestCount(), 1);
    EXPECT_EQ(line.BytesWaiting(), 0);

    const auto& sent = line.SentFrames();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].speed, 9600);
    EXPECT_EQ(sent[1].speed, 1200);
}

TEST_F(SimLine, SplitAndLateAnswersAndClearedInput) {
    instrument.Faults().split.on = {1};
    instrument.Faults().splitAfter = 5;
    instrument.Faults().splitPauseMs = 300;
    instrument.Faults().late.on = {2};
    instrument.Faults().lateMs = 3500;

    line.Write(MakeRequest(kCmdRead, 0, 1, 0));
    clock.Advance(75 + 20 + 5 * 9 + 100);
    EXPECT_EQ(line.BytesWaiting(), 5);  // a header arriving in two parts
    clock.Advance(300 + 20 * 9);
    EXPECT_EQ(line.BytesWaiting(), kModelAnswerBytes);
    EXPECT_TRUE(Decode(line.Read()).checksumOk);

    line.Write(MakeRequest(kCmdRead, 0, 1, 0));
    clock.Advance(3000);
    EXPECT_EQ(line.BytesWaiting(), 0);
    clock.Advance(1000);
    EXPECT_EQ(line.BytesWaiting(), kModelAnswerBytes);
    line.ClearBuffers();
    EXPECT_EQ(line.BytesWaiting(), 0);
}

TEST_F(SimLine, ClosingTheLineEndsMaintenanceAccessAndOpenCanFail) {
    line.Write(MakeRequest(kCmdMaintenance, 0, 0, 0));
    clock.Advance(500);
    EXPECT_GT(line.BytesWaiting(), 0);  // the line plays out what happened when asked
    EXPECT_TRUE(instrument.DeviceAt()->MaintOpen());
    ASSERT_TRUE(line.Close());
    EXPECT_FALSE(instrument.DeviceAt()->MaintOpen());
    EXPECT_FALSE(line.Write(MakeRequest(kCmdRead, 0, 1, 0)));
    EXPECT_EQ(line.BytesWaiting(), 0);

    line.FailOpen(comm::PortErrorCode::InvalidPort, "Invalid port number");
    EXPECT_FALSE(line.Open());
    EXPECT_EQ(comm::PortErrorNumber(line.ErrorCode()), 8002);
    EXPECT_EQ(line.ErrorDescription(), "Invalid port number");
    line.FailOpen(comm::PortErrorCode::None);
    EXPECT_TRUE(line.Open());
}

TEST_F(SimLine, InstrumentFindsTheNextRequestAfterNoiseOrABrokenFrame) {
    // Noise right before a request is skipped.
    Bytes noisy{0xFF, 0x13, 0x00, 0x07};
    const Bytes request = MakeRequest(kCmdRead, 0, 1, 0);
    noisy.insert(noisy.end(), request.begin(), request.end());
    line.Write(noisy);
    clock.Advance(1000);
    EXPECT_EQ(Decode(line.Read()).data, "RQB2    ");

    // A request cut short is dropped after a pause; the next one is answered.
    line.Write(Bytes(request.begin(), request.begin() + 5));
    clock.Advance(200);
    line.Write(MakeRequest(kCmdRead, kSetStartMa, 0, 0));
    clock.Advance(1000);
    EXPECT_EQ(Decode(line.Read()).name, "INPUT   ");
    EXPECT_EQ(instrument.RequestCount(), 2);
}

TEST(SimLineUnconnected, NothingAnswers) {
    shell::VirtualClock clock;
    SimulatedLine line{clock, nullptr};
    ASSERT_TRUE(line.Open());
    EXPECT_TRUE(line.Write(MakeRequest(kCmdRead, 0, 1, 0)));
    clock.Advance(20'000);
    EXPECT_EQ(line.BytesWaiting(), 0);
}

}  // namespace
}  // namespace rq50::sim::test
