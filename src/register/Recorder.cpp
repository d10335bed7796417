#include "register/Recorder.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <system_error>

#include "files/RecordFile.h"
#include "register/PlantRegister.h"
#include "shell/AppPaths.h"
#include "shell/PlatformFile.h"
#include "shell/SettingsStore.h"

namespace rq50::plant {
namespace fs = std::filesystem;

namespace {

constexpr const char* kQueueMagic = "RQ50 register record 1\n";
constexpr const char* kQueueExtension = ".rq50rec";

/// One line of a queue file's head: "key=value", the value's line breaks
/// made blanks.
void PutField(std::string& head, const std::string& key, std::string value) {
    std::replace(value.begin(), value.end(), '\n', ' ');
    std::replace(value.begin(), value.end(), '\r', ' ');
    head += key + "=" + value + "\n";
}

int ToInt(const std::string& text, int fallback) {
    try {
        return std::stoi(text);
    } catch (const std::exception&) {
        return fallback;
    }
}

}  // namespace

std::string RegisterName(const shell::SettingsStore* settings, const std::string& flag) {
    if (!flag.empty()) return flag;
    const std::string env = shell::platform::EnvironmentValue("RQ50_REGISTER");
    if (!env.empty()) return env;
    if (settings != nullptr) {
        if (auto stored = settings->Get("REGISTER"); stored && !stored->empty()) return *stored;
    }
    return "sqlite:" + shell::platform::Utf8FromPath(shell::UserDataFolder() / "register.sqlite");
}

bool RecordingOn(const shell::SettingsStore* settings) {
    if (settings == nullptr) return true;
    return settings->Get("REGISTERON").value_or("1") != "0";
}

void SetRecordingOn(shell::SettingsStore& settings, bool on) {
    settings.Set("REGISTERON", on ? "1" : "0");
}

fs::path QueueFolder() {
    return shell::UserDataFolder() / "User" / "REGISTER-QUEUE";
}

Blob QueueFileOf(const Record& r) {
    std::string head = kQueueMagic;
    PutField(head, "kind", KindName(r.kind));
    PutField(head, "time", r.time);
    PutField(head, "user", r.user);
    PutField(head, "host", r.host);
    PutField(head, "port", r.port);
    PutField(head, "slot", std::to_string(r.slot));
    PutField(head, "file", r.fileName);
    PutField(head, "filekind", r.fileKind == files::DataFileKind::kProgram ? "7pr" : "7pa");
    PutField(head, "ok", r.ok ? "1" : "0");
    PutField(head, "result", r.result);
    PutField(head, "written", std::to_string(r.itemsWritten));
    PutField(head, "differ", std::to_string(r.itemsDiffer));
    PutField(head, "model", r.instrument.model);
    PutField(head, "tag", r.instrument.tag);
    PutField(head, "instrumentno", r.instrument.instrumentNo);
    PutField(head, "plant", r.instrument.plant);
    PutField(head, "area", r.instrument.area);
    PutField(head, "bytes", std::to_string(r.bytes.size()));
    head += "\n";
    Blob out(head.begin(), head.end());
    out.insert(out.end(), r.bytes.begin(), r.bytes.end());
    return out;
}

std::optional<Record> RecordOfQueueFile(const Blob& file) {
    const std::string magic = kQueueMagic;
    if (file.size() < magic.size() || !std::equal(magic.begin(), magic.end(), file.begin())) {
        return std::nullopt;
    }
    std::map<std::string, std::string> fields;
    std::size_t at = magic.size();
    for (;;) {
        const auto end =
            std::find(file.begin() + static_cast<std::ptrdiff_t>(at), file.end(), '\n');
        if (end == file.end()) return std::nullopt;
        const std::string line(file.begin() + static_cast<std::ptrdiff_t>(at), end);
        at = static_cast<std::size_t>(end - file.begin()) + 1;
        if (line.empty()) break;
        const auto eq = line.find('=');
        if (eq == std::string::npos) return std::nullopt;
        fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    const auto kind = KindFromName(fields["kind"]);
    const int size = ToInt(fields["bytes"], -1);
    if (!kind || size < 0 || file.size() - at != static_cast<std::size_t>(size))
        return std::nullopt;
    Record r;
    r.kind = *kind;
    r.time = fields["time"];
    r.user = fields["user"];
    r.host = fields["host"];
    r.port = fields["port"];
    r.slot = ToInt(fields["slot"], 0);
    r.fileName = fields["file"];
    r.fileKind = fields["filekind"] == "7pr" ? files::DataFileKind::kProgram
                                             : files::DataFileKind::kParameter;
    r.ok = fields["ok"] != "0";
    r.result = fields["result"];
    r.itemsWritten = ToInt(fields["written"], -1);
    r.itemsDiffer = ToInt(fields["differ"], -1);
    r.instrument.model = fields["model"];
    r.instrument.tag = fields["tag"];
    r.instrument.instrumentNo = fields["instrumentno"];
    r.instrument.plant = fields["plant"];
    r.instrument.area = fields["area"];
    r.bytes.assign(file.begin() + static_cast<std::ptrdiff_t>(at), file.end());
    return r;
}

Recorder::Recorder(std::string registerName, DatabaseOpener opener, fs::path queueFolder,
                   std::string user, std::string host)
    : m_name(std::move(registerName)),
      m_opener(std::move(opener)),
      m_queue(std::move(queueFolder)),
      m_user(std::move(user)),
      m_host(std::move(host)) {}

Recorder::~Recorder() = default;

PlantRegister& Recorder::Open() {
    if (!m_register) {
        auto db = m_opener(m_name);
        m_register = std::make_unique<PlantRegister>(*db);
        m_db = std::move(db);
    }
    return *m_register;
}

namespace {

std::vector<fs::path> QueueFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == kQueueExtension) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int Recorder::Queued() const {
    return static_cast<int>(QueueFiles(m_queue).size());
}

int Recorder::SendQueued() {
    auto waiting = QueueFiles(m_queue);
    if (waiting.empty()) return 0;
    PlantRegister& reg = Open();
    int left = static_cast<int>(waiting.size());
    for (const auto& path : waiting) {
        files::Bytes bytes;
        if (files::ReadWholeFile(shell::platform::Utf8FromPath(path), bytes) != 0) continue;
        const auto record = RecordOfQueueFile(bytes);
        if (!record) continue;  // not ours: left where it is
        // Taken out of the queue by renaming first, so that two programs
        // sending the queue at once never send one record twice.
        fs::path taken = path;
        taken += ".sending-" + std::to_string(shell::platform::ProcessNumber());
        std::error_code ec;
        fs::rename(path, taken, ec);
        if (ec) continue;
        try {
            reg.Add(*record);
        } catch (...) {
            fs::rename(taken, path, ec);
            throw;
        }
        fs::remove(taken, ec);
        --left;
    }
    return left;
}

std::string Recorder::Add(Record record) {
    if (record.user.empty()) record.user = m_user;
    if (record.host.empty()) record.host = m_host;
    if (record.time.empty()) record.time = UtcNow();
    std::string why = m_lastFailure;
    if (std::chrono::steady_clock::now() >= m_retryAfter) {
        try {
            SendQueued();
            Open().Add(record);
            m_lastFailure.clear();
            return {};
        } catch (const std::exception& e) {
            why = e.what();
        }
        // Reopened with a later record: the connection may be what failed.
        m_register.reset();
        m_db.reset();
        m_lastFailure = why;
        m_retryAfter = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    }
    static std::atomic<int> serial{0};
    const std::string name = record.time + "-" + std::to_string(shell::platform::ProcessNumber()) +
                             "-" + std::to_string(++serial) + kQueueExtension;
    std::string safe = name;
    std::replace(safe.begin(), safe.end(), ':', '-');
    std::error_code ec;
    fs::create_directories(m_queue, ec);
    const fs::path path = m_queue / safe;
    std::string notice;
    if (files::ReplaceFileContents(shell::platform::Utf8FromPath(path), QueueFileOf(record)) != 0) {
        notice = "The plant register " + m_name + " cannot be reached (" + why +
                 ") and the record could not be kept in " + shell::platform::Utf8FromPath(m_queue) +
                 "; this transfer is not recorded.";
    } else {
        notice = "The plant register " + m_name + " cannot be reached (" + why +
                 "); the record waits in " + shell::platform::Utf8FromPath(m_queue) +
                 " and is sent with the next one.";
    }
    if (m_notice) m_notice(notice);
    return notice;
}

}  // namespace rq50::plant
