#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "comm/Engine.h"
#include "comm/EngineCore.h"
#include "comm/SerialPort.h"
#include "files/Workspace.h"
#include "shell/Clock.h"
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"
#include "shell/SessionState.h"

namespace rq50::comm::testing {

using Bytes = std::vector<std::uint8_t>;

/// A port whose far end is a script: each written frame is handed to
/// `respond`, whose answer arrives in the given parts after the given delays.
class ScriptedPort : public SerialPort {
  public:
    struct Part {
        std::int64_t delayMs;
        Bytes bytes;
    };
    using Responder = std::function<std::vector<Part>(const Bytes& request, int speed)>;

    explicit ScriptedPort(shell::VirtualClock& clock) : m_clock(clock) {}

    Responder respond;
    bool failOpen = false;
    int openCount = 0;
    int closeCount = 0;
    struct Sent {
        Bytes frame;
        int speed;
        std::int64_t atMs;
    };
    std::vector<Sent> sent;

    void SetDevice(const std::string& device) override { m_device = device; }
    void SetLineSettings(const LineSettings& settings) override { m_speed = settings.speed; }
    bool Open() override {
        if (failOpen) return false;
        m_open = true;
        ++openCount;
        return true;
    }
    bool Close() override {
        m_open = false;
        ++closeCount;
        m_pending.clear();
        return true;
    }
    bool IsOpen() const override { return m_open; }
    int BytesWaiting() override {
        Arrive();
        return static_cast<int>(m_input.size());
    }
    void SetInputLength(int length) override { m_inputLength = length; }
    Bytes Read() override {
        Arrive();
        std::size_t n = m_inputLength == 0 ? m_input.size()
                                           : std::min<std::size_t>(m_inputLength, m_input.size());
        Bytes out(m_input.begin(), m_input.begin() + n);
        m_input.erase(m_input.begin(), m_input.begin() + n);
        return out;
    }
    bool Write(const Bytes& bytes) override {
        sent.push_back({bytes, m_speed, m_clock.NowMs()});
        if (!respond) return true;
        for (auto& part : respond(bytes, m_speed))
            m_pending.push_back({m_clock.NowMs() + part.delayMs, part.bytes});
        return true;
    }
    void ClearBuffers() override {
        Arrive();
        m_input.clear();
    }
    void SetDtr(bool) override {}
    comm::PortErrorCode ErrorCode() const override { return failOpen ? comm::PortErrorCode::InvalidPort : comm::PortErrorCode::None; }
    std::string ErrorDescription() const override { return failOpen ? "Invalid port number" : ""; }

    const std::string& Device() const { return m_device; }
    int Speed() const { return m_speed; }

  private:
    struct Scheduled {
        std::int64_t atMs;
        Bytes bytes;
    };
    void Arrive() {
        while (!m_pending.empty() && m_pending.front().atMs <= m_clock.NowMs()) {
            m_input.insert(m_input.end(), m_pending.front().bytes.begin(),
                           m_pending.front().bytes.end());
            m_pending.pop_front();
        }
    }

    shell::VirtualClock& m_clock;
    std::string m_device;
    int m_speed = 1200;
    bool m_open = false;
    int m_inputLength = 0;
    Bytes m_input;
    std::deque<Scheduled> m_pending;
};

/// Records every message box and answers OK.
class RecordingMessages : public shell::MessageBoxHost {
  public:
    std::vector<shell::MessageBoxRequest> boxes;
    std::function<void()> onShow;
    shell::MsgAnswer Show(const shell::MessageBoxRequest& box) override {
        boxes.push_back(box);
        if (onShow) onShow();
        return shell::MsgAnswer::Ok;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (auto& b : boxes) texts.push_back(b.text);
        return texts;
    }
};

/// Records what the engine shows and answers the SLOT No. dialog from a script.
class RecordingCommHost : public CommHost {
  public:
    std::optional<int> slotAnswer;
    int slotDialogs = 0;
    int dialogsClosed = 0;
    std::vector<int> progress;
    std::vector<std::pair<bool, std::string>> monitor;
    void ShowProgress(int value) override { progress.push_back(value); }
    void CloseCommDialog() override { ++dialogsClosed; }
    std::optional<int> AskSlot() override {
        ++slotDialogs;
        return slotAnswer;
    }
    void ShowMonitorText(bool sent, const std::string& text) override {
        monitor.emplace_back(sent, text);
    }
};

/// A fresh engine on a virtual clock with recording hosts; restores the
/// services afterwards.
class CommFixture {
  public:
    CommFixture() {
        ws.hosts.clock = &clock;
        ws.hosts.messages = &messages;
        engine.SetClock(&clock);
        engine.SetHost(&host);
    }
    shell::VirtualClock clock;
    RecordingMessages messages;
    RecordingCommHost host;
    /// A fresh engine for every test, with the workspace it owns.
    CommEngine engine;
    /// The engine's works, for the tests of its frames, states and steps.
    EngineCore& core = CoreOf(engine);
    files::Workspace& ws = engine.Data();
};

/// A response frame: header, texts, checksum (item type 2 unless told).
inline Bytes ResponseFrame(int ma, int mb, const std::string& name, const std::string& data,
                           comm::ResponseStatus status = comm::ResponseStatus::Normal,
                           int kind = 1) {
    Bytes f = {0,
               0,
               0x12,
               0,
               static_cast<std::uint8_t>((2 << 6) | (static_cast<int>(status) << 3) | kind),
               static_cast<std::uint8_t>(ma & 0x3F),
               static_cast<std::uint8_t>(mb & 0x3F),
               0};
    if (status != comm::ResponseStatus::Normal) {
        f[4] = static_cast<std::uint8_t>(static_cast<int>(status) << 3);  // type 0: no texts
    } else {
        f.insert(f.end(), name.begin(), name.end());
        f.insert(f.end(), data.begin(), data.end());
    }
    f[3] = static_cast<std::uint8_t>(f.size() - 4);
    unsigned sum = 0;
    for (auto b : f) sum += b;
    f.push_back(static_cast<std::uint8_t>(sum));
    return f;
}

}  // namespace rq50::comm::testing
