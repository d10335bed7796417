#include <gtest/gtest.h>

#include <memory>

#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/Frame.h"
#include "integration/CommPtyTest.h"
#include "platform/QtSerialPort.h"
#include "shell/Clock.h"
#include "shell/Services.h"
#include "support/SimProcess.h"
#include "unit/CommFakes.h"
#include "unit/CommTestJob.h"
#include "unit/PacingUnderTest.h"

namespace rq50::integration {
namespace {

/// Sends the first-item request at `speed` and collects what comes back.
Bytes Exchange(platform::QtSerialPort& port, int speed, int waitMs) {
    comm::LineSettings line;
    line.speed = speed;
    port.SetLineSettings(line);
    port.ClearBuffers();
    comm::CommEngine engine;
    engine.ReqFirstItem();
    EXPECT_TRUE(port.Write(engine.SendBuffer));
    WaitFor([&] { return port.BytesWaiting() >= 9 + 16; }, waitMs);
    port.SetInputLength(0);
    return port.Read();
}

class TavroSimPty : public ::testing::Test {
  protected:
    void SetUp() override {
        sim = std::make_unique<test::SimProcess>("RQB2.json");
        ASSERT_FALSE(sim->Path().empty()) << "tavro-sim printed no PTY line";
        port.SetDevice(sim->Path());
    }
    std::unique_ptr<test::SimProcess> sim;
    platform::QtSerialPort port;
};

TEST_F(TavroSimPty, AnswersAt1200AndIgnoresAFrameAt9600) {
    comm::LineSettings line;
    port.SetLineSettings(line);
    ASSERT_TRUE(port.Open()) << port.ErrorDescription();

    // Nine bytes out and 25 back at 1200 bit/s take about 300 ms.
    const Bytes answer = Exchange(port, 1200, 3000);
    ASSERT_GE(answer.size(), 9u);
    EXPECT_EQ(answer[5] & 0x3F, 0);
    EXPECT_EQ(answer[6] & 0x3F, 1);
    EXPECT_EQ(std::string(answer.begin() + 8, answer.begin() + 16), "MODEL   ");

    EXPECT_TRUE(Exchange(port, 9600, 1500).empty()) << "a frame at the wrong speed is ignored";

    // Back at the instrument's speed it answers again.
    EXPECT_GE(Exchange(port, 1200, 3000).size(), 9u);
}

TEST_F(TavroSimPty, EngineRunsAJobThroughTheRealPort) {
    comm::CommEngine engine;
    engine.SetCommPacing(rq50::testing::PacingUnderTest());
    shell::SteadyClock clock;
    comm::testing::RecordingMessages messages;
    engine.Data().hosts.clock = &clock;
    engine.Data().hosts.messages = &messages;
    engine.SetClock(&clock);
    engine.CommSettings.deviceOverride = sim->Path();
    engine.AttachPort(&port);
    comm::testing::TestReadJob job{engine};
    job.reads = 2;
    job.Register();

    ASSERT_TRUE(engine.StartCommJob({comm::testing::TestReadJob::kCode, "Test"}));
    const bool ended = engine.RunCommJob(20'000);
    const int result = engine.CommResult;

    ASSERT_TRUE(ended);
    EXPECT_EQ(result, comm::kErrNone);
    EXPECT_TRUE(messages.boxes.empty());
    ASSERT_EQ(job.names.size(), 3u);
    EXPECT_EQ(job.names[0], "MODEL   ");
    EXPECT_FALSE(job.model.empty());
    EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace rq50::integration
