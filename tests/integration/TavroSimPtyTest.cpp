#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/Frame.h"
#include "comm/jobs/Jobs.h"
#include "integration/CommPtyTest.h"
#include "parameter/Trend.h"
#include "platform/QtSerialPort.h"
#include "session/OnlinePage.h"
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
        engine.Data().hosts.clock = &clock;
        engine.Data().hosts.messages = &messages;
        engine.SetClock(&clock);
        engine.SetDeviceOverride(sim->Path());
        engine.AttachPort(&port);
    }
    std::unique_ptr<test::SimProcess> sim;
    platform::QtSerialPort port;
    shell::SteadyClock clock;
    comm::testing::RecordingMessages messages;
    comm::CommEngine engine;
};

TEST_F(TavroSimPty, EngineRunsAJobThroughTheRealPort) {
    engine.SetCommPacing(rq50::testing::PacingUnderTest());
    comm::testing::TestReadJob job{engine};
    job.reads = 2;
    job.Register();

    ASSERT_TRUE(engine.StartCommJob({comm::testing::TestReadJob::kCode, "Test"}));
    const bool ended = engine.RunCommJob(20'000);
    const comm::CommErrorCode result = engine.LastOutcome().code;

    ASSERT_TRUE(ended);
    EXPECT_EQ(result, comm::kErrNone);
    EXPECT_TRUE(messages.boxes.empty());
    ASSERT_EQ(job.names.size(), 3u);
    EXPECT_EQ(job.names[0], "MODEL   ");
    EXPECT_FALSE(job.model.empty());
    EXPECT_FALSE(port.IsOpen());
}

// The DISPLAY page read again and again through the real port: every reading
// goes into the page's trend with the values the page shows, on the line the
// page keeps open, which closes with the page (fast pacing).
TEST_F(TavroSimPty, TheDisplayPagesTrendFollowsTheInstrument) {
    engine.SetCommPacing({true, comm::kDefaultGapMs});
    comm::jobs::RegisterAllJobs(engine);
    session::OnlinePage online(engine.Data());
    parameter::PageModel& page = online.New(parameter::PageCategory::Display);
    const auto run = [this](bool started) {
        return started && engine.RunCommJob(20'000) && engine.LastOutcome().code == comm::kErrNone;
    };
    const parameter::JobStarter start = [this](comm::Job job, const std::string& title) {
        return engine.StartCommJob({job, title});
    };
    ASSERT_TRUE(run(engine.StartCommJob({comm::kJobConnect, "Set"})));
    ASSERT_TRUE(run(engine.StartCommJob({comm::kJobCategoryDisplay, "DISPLAY"})));
    ASSERT_TRUE(page.Reading());
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(run(page.TimerTick(start)));
        EXPECT_TRUE(port.IsOpen());
    }
    const parameter::Trend& trend = online.PageTrend();
    ASSERT_EQ(trend.Samples().size(), 3u);
    ASSERT_EQ(trend.Series().size(), page.Window().measured.size());
    for (std::size_t n = 0; n < trend.Series().size(); ++n) {
        const int row = page.Window().measured[n].row;
        EXPECT_EQ(trend.Samples().back().texts[n],
                  parameter::PlainNumber(page.Cell(row, parameter::kColData)));
        EXPECT_TRUE(trend.Samples().back().values[n].has_value());
    }
    const std::string csv = trend.Csv();
    EXPECT_TRUE(csv.starts_with("time,\"A01 PV\"")) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
    online.Drop();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(messages.boxes.empty());
}

}  // namespace
}  // namespace rq50::integration
