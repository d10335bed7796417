// Instruments that never close a group or a category: the walks must end
// with an error after a bounded number of requests.

#include "comm/jobs/Jobs.h"
#include "unit/JobTestSupport.h"

#include <deque>

namespace rq50::testing {
namespace {

using namespace rq50::comm;

/// A port whose instrument is a function of the request, answering at once.
class MisbehavingPort : public SerialPort {
  public:
    std::function<sim::Bytes(int command, int ma, int mb)> answer;
    int requests = 0;

    void SetDevice(const std::string&) override {}
    void SetLineSettings(const LineSettings&) override {}
    bool Open() override { return m_open = true; }
    bool Close() override {
        m_open = false;
        return true;
    }
    bool IsOpen() const override { return m_open; }
    int BytesWaiting() override { return static_cast<int>(m_input.size()); }
    void SetInputLength(int length) override { m_length = length; }
    std::vector<std::uint8_t> Read() override {
        const std::size_t n =
            m_length == 0 ? m_input.size() : std::min<std::size_t>(m_length, m_input.size());
        std::vector<std::uint8_t> out(m_input.begin(), m_input.begin() + static_cast<long>(n));
        m_input.erase(m_input.begin(), m_input.begin() + static_cast<long>(n));
        return out;
    }
    bool Write(const std::vector<std::uint8_t>& bytes) override {
        ++requests;
        const auto reply = answer(bytes[4], bytes[5] & 63, bytes[6] & 63);
        m_input.insert(m_input.end(), reply.begin(), reply.end());
        return true;
    }
    void ClearBuffers() override { m_input.clear(); }
    void SetDtr(bool) override {}
    int ErrorNumber() const override { return 0; }
    std::string ErrorDescription() const override { return {}; }

  private:
    bool m_open = false;
    int m_length = 0;
    std::deque<std::uint8_t> m_input;
};

/// A name + data item frame.
sim::Bytes Item(int kind, int ma, int mb, const std::string& name, const std::string& data) {
    std::string text = name;
    text.resize(8, ' ');
    std::string d = data;
    d.resize(8, ' ');
    text += d;
    std::string frame = {0,
                         0,
                         0x12,
                         static_cast<char>(4 + text.size()),
                         static_cast<char>((2 << 6) | kind),
                         static_cast<char>(ma),
                         static_cast<char>(mb),
                         0};
    frame += text;
    sim::Bytes f(frame.begin(), frame.end());
    unsigned sum = 0;
    for (auto b : f) sum += b;
    f.push_back(static_cast<std::uint8_t>(sum & 0xFF));
    return f;
}

class JobWalkBound : public JobBench {
  protected:
    void SetUp() override {
        JobBench::SetUp();
        engine.AttachPort(&port);
    }
    MisbehavingPort port;
};

/// Groups 1-3 are DISPLAY, SET and ADJUST; `next` answers 84h.
std::function<sim::Bytes(int, int, int)> Menu(std::function<int(int mb)> next,
                                              std::function<int(int ma)> nextGroup) {
    return [next, nextGroup](int command, int ma, int mb) {
        if (command == 0x80 && ma == 0) return Item(0, 0, 1, "MODEL", "RQB2");
        if (command == 0x80 && ma >= 24) return Item(0, 27 - ma, 0, "HEAD", "");
        if (command == 0x80) return Item(0, ma, mb, "HEAD", "");
        if (command == 0x84) return Item(2, ma, next(mb), "ITEM", "+1.0");
        if (command == 0x82) return Item(0, nextGroup(ma), 0, "HEAD", "");
        return Item(0, ma, mb, "OTHER", "");
    };
}

TEST_F(JobWalkBound, AGroupThatNeverEndsStopsTheUpload) {
    // From the head the first item is 1; after that 2 and 3 alternate, so the
    // walk never meets the first item again nor the item asked from.
    port.answer = Menu([](int mb) { return mb == 0   ? 1
                                           : mb == 1 ? 2
                                           : mb == 2 ? 3
                                                     : 2; },
                       [](int ma) { return ma % 3 + 1; });
    const auto before = engine.Data().items.dataSet;
    ASSERT_TRUE(Run(kJobUpload));
    EXPECT_EQ(engine.CommResult, kErrAddress);
    EXPECT_EQ(
        Texts(),
        (std::vector<std::string>{"Parameter address error. Communication will be terminated."}));
    EXPECT_LT(port.requests, 10 + jobs::kMaxItemsPerGroup + 2);
    EXPECT_EQ(engine.Data().items.dataSet, before);
}

TEST_F(JobWalkBound, ACategoryThatNeverEndsStopsTheUpload) {
    // Every group ends properly, but 82h never leads back to a category start.
    port.answer = Menu([](int mb) { return mb == 0 ? 1 : 1; },
                       [](int ma) { return ma < 4 ? 4 : ma % 60 + 4; });
    ASSERT_TRUE(Run(kJobUpload));
    EXPECT_EQ(engine.CommResult, kErrAddress);
    EXPECT_LT(port.requests, 10 + 3 * (jobs::kMaxGroups + 1));
}

TEST_F(JobWalkBound, TheProgramWalkIsBoundedToo) {
    port.answer = Menu([](int mb) { return mb == 0   ? 1
                                           : mb == 1 ? 2
                                           : mb == 2 ? 3
                                                     : 2; },
                       [](int ma) { return ma % 3 + 1; });
    ASSERT_TRUE(Run(kJobProgramUpload));
    EXPECT_EQ(engine.CommResult, kErrAddress);
    EXPECT_LT(port.requests, 10 + jobs::kMaxItemsPerGroup + 2);
}

}  // namespace
}  // namespace rq50::testing
