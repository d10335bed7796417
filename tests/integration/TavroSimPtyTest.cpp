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
