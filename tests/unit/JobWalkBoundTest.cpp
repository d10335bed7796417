// Instruments that never close a group or a category: the walks must end
// with an error after a bounded number of requests.

#include "comm/jobs/Jobs.h"
#include "unit/CommFakes.h"
#include "unit/JobTestSupport.h"

namespace rq50::testing {
namespace {

using namespace rq50::comm;

/// A name + data item frame, answered at once.
comm::testing::Bytes Item(int kind, int ma, int mb, std::string name, std::string data) {
    name.resize(8, ' ');
    data.resize(8, ' ');
    return comm::testing::ResponseFrame(ma, mb, name, data, comm::ResponseStatus::Normal, kind);
}

class JobWalkBound : public JobBench {
  protected:
    void SetUp() override {
        JobBench::SetUp();
        engine.AttachPort(&port);
    }
    int Requests() const { return static_cast<int>(port.sent.size()); }
    comm::testing::ScriptedPort port{clock};
};

/// Groups 1-3 are DISPLAY, SET and ADJUST; `next` answers 84h.
comm::testing::ScriptedPort::Responder Menu(std::function<int(int mb)> next,
                                            std::function<int(int ma)> nextGroup) {
    return [next, nextGroup](const comm::testing::Bytes& request, int) {
        const int command = request[4], ma = request[5] & 63, mb = request[6] & 63;
        const auto answer = [&] {
            if (command == 0x80 && ma == 0) return Item(0, 0, 1, "MODEL", "RQB2");
            if (command == 0x80 && ma >= 24) return Item(0, 27 - ma, 0, "HEAD", "");
            if (command == 0x80) return Item(0, ma, mb, "HEAD", "");
            if (command == 0x84) return Item(2, ma, next(mb), "ITEM", "+1.0");
            if (command == 0x82) return Item(0, nextGroup(ma), 0, "HEAD", "");
            return Item(0, ma, mb, "OTHER", "");
        };
        return std::vector<comm::testing::ScriptedPort::Part>{{0, answer()}};
    };
}

// From the head the first item is 1; after that 2 and 3 alternate, so the
// walk never meets the first item again nor the item asked from. Both the
// upload and the program upload stop.
TEST_F(JobWalkBound, AGroupThatNeverEndsStopsTheUploads) {
    port.respond = Menu([](int mb) { return mb == 0   ? 1
                                            : mb == 2 ? 3
                                                      : 2; },
                        [](int ma) { return ma % 3 + 1; });
    const auto before = engine.Data().items.dataSet;
    ASSERT_TRUE(Run(kJobUpload));
    EXPECT_EQ(engine.LastOutcome().code, kErrAddress);
    EXPECT_EQ(
        Texts(),
        (std::vector<std::string>{"Parameter address error. Communication will be terminated."}));
    EXPECT_LT(Requests(), 10 + jobs::kMaxItemsPerGroup + 2);
    EXPECT_EQ(engine.Data().items.dataSet, before);

    port.sent.clear();
    ASSERT_TRUE(Run(kJobProgramUpload));
    EXPECT_EQ(engine.LastOutcome().code, kErrAddress);
    EXPECT_LT(Requests(), 10 + jobs::kMaxItemsPerGroup + 2);
}

TEST_F(JobWalkBound, ACategoryThatNeverEndsStopsTheUpload) {
    // Every group ends properly, but 82h never leads back to a category start.
    port.respond = Menu([](int) { return 1; }, [](int ma) { return ma < 4 ? 4 : ma % 60 + 4; });
    ASSERT_TRUE(Run(kJobUpload));
    EXPECT_EQ(engine.LastOutcome().code, kErrAddress);
    EXPECT_LT(Requests(), 10 + 3 * (jobs::kMaxGroups + 1));
}

}  // namespace
}  // namespace rq50::testing
