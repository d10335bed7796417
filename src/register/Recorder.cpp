#include "register/Recorder.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "files/RecordFile.h"
#include "register/HeadFile.h"
#include "register/PlantRegister.h"
#include "register/Sha256.h"
#include "shell/AppPaths.h"
#include "shell/PlatformFile.h"
#include "shell/SettingsStore.h"

namespace rq50::plant {
namespace fs = std::filesystem;

namespace {

constexpr const char* kQueueExtension = ".rq50rec";

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

fs::path QueueFolder() {
    return shell::UserDataFolder() / "User" / "REGISTER-QUEUE";
}

namespace {

/// Where the password of a URI's user part is: [begin, end) in `name`.
std::optional<std::pair<std::size_t, std::size_t>> UriPassword(const std::string& name) {
    const auto scheme = name.find("://");
    if (scheme == std::string::npos) return std::nullopt;
    const std::size_t from = scheme + 3;
    const std::size_t authorityEnd = std::min(name.find_first_of("/?#", from), name.size());
    const auto at = name.rfind('@', authorityEnd == 0 ? 0 : authorityEnd - 1);
    if (at == std::string::npos || at < from) return std::nullopt;
    const auto colon = name.find(':', from);
    if (colon == std::string::npos || colon > at) return std::nullopt;
    return std::pair{colon + 1, at};
}

/// Every "password=VALUE" of `text` (VALUE up to a blank, "&" or ";"):
/// [begin, end) of each VALUE.
std::vector<std::pair<std::size_t, std::size_t>> KeywordPasswords(const std::string& text) {
    std::vector<std::pair<std::size_t, std::size_t>> out;
    const std::string key = "password=";
    for (std::size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        const std::size_t begin = at + key.size();
        const std::size_t end = std::min(text.find_first_of(" &;'\"\t\n", begin), text.size());
        if (end > begin) out.push_back({begin, end});
    }
    return out;
}

std::string Masked(std::string text, std::vector<std::pair<std::size_t, std::size_t>> spans) {
    std::sort(spans.begin(), spans.end());
    for (auto it = spans.rbegin(); it != spans.rend(); ++it)
        text.replace(it->first, it->second - it->first, "***");
    return text;
}

std::vector<std::pair<std::size_t, std::size_t>> PasswordSpans(const std::string& name) {
    auto spans = KeywordPasswords(name);
    if (const auto uri = UriPassword(name); uri && uri->second > uri->first) spans.push_back(*uri);
    return spans;
}

}  // namespace

std::string ShownRegisterName(const std::string& name) {
    return Masked(name, PasswordSpans(name));
}

bool HasPassword(const std::string& name) {
    return !PasswordSpans(name).empty();
}

std::string HidePassword(std::string text, const std::string& name) {
    // The password itself wherever the text repeats it, then any keyword.
    for (const auto& [begin, end] : PasswordSpans(name)) {
        const std::string secret = name.substr(begin, end - begin);
        if (secret.size() < 3 || secret == "***") continue;
        for (auto at = text.find(secret); at != std::string::npos; at = text.find(secret, at + 3))
            text.replace(at, secret.size(), "***");
    }
    return Masked(text, KeywordPasswords(text));
}

std::string RegisterIdentity(const std::string& name) {
    auto spans = PasswordSpans(name);
    std::sort(spans.begin(), spans.end());
    std::string out = name;
    for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
        // ":secret@" loses its colon too.
        const bool uri = it->first > 0 && out[it->first - 1] == ':';
        out.erase(uri ? it->first - 1 : it->first, it->second - it->first + (uri ? 1 : 0));
    }
    return out;
}

fs::path QueueFolderOf(const fs::path& queueRoot, const std::string& name) {
    const std::string identity = RegisterIdentity(name);
    const std::string digest = Sha256Hex(
        std::span(reinterpret_cast<const std::uint8_t*>(identity.data()), identity.size()));
    return queueRoot / ("register-" + digest.substr(0, 16));
}

namespace {

bool Connected(Database& db) {
    try {
        db.Run("SELECT 1");
        return true;
    } catch (const RegisterError&) {
        return false;
    }
}

}  // namespace

Recorder::Recorder(std::string registerName, DatabaseOpener opener, fs::path queueRoot,
                   std::string user, std::string host)
    : m_name(std::move(registerName)),
      m_opener(std::move(opener)),
      m_root(std::move(queueRoot)),
      m_queue(QueueFolderOf(m_root, m_name)),
      m_headFile(HeadFileOf(m_root.parent_path() / "REGISTER-HEAD", m_name)),
      m_user(std::move(user)),
      m_host(std::move(host)) {}

Recorder::~Recorder() = default;

fs::path Recorder::KeyFile() const {
    return KeyFileIn(m_root.parent_path());
}

PlantRegister& Recorder::Open() {
    if (m_register && !Connected(*m_db)) {
        // The server ended the connection (a restart): a new one is made.
        // The old one is kept, so that whoever holds its register gets an
        // error from it rather than a dangling reference.
        m_droppedRegisters.push_back(std::move(m_register));
        m_dropped.push_back(std::move(m_db));
    }
    if (!m_register) {
        auto db = m_opener(m_name);
        m_register = std::make_unique<PlantRegister>(*db);
        m_db = std::move(db);
    }
    return *m_register;
}

PlantRegister& Recorder::OpenForReading() {
    try {
        return Open();
    } catch (const RegisterError&) {
        if (!m_readingOpener) throw;
    }
    if (!m_reading) {
        auto db = m_readingOpener(m_name);
        m_reading = std::make_unique<PlantRegister>(*db);
        m_readingDb = std::move(db);
    }
    return *m_reading;
}

bool Recorder::ReasonRequired() {
    fs::path kept = m_headFile;
    kept += ".reason";
    std::error_code ec;
    if (std::chrono::steady_clock::now() >= m_retryAfter) {
        try {
            const bool required = OpenForReading().Setting("REASONREQUIRED") == "1";
            if (!required) {
                fs::remove(kept, ec);
            } else if (!fs::exists(kept, ec)) {
                fs::create_directories(kept.parent_path(), ec);
                files::ReplaceFileContents(shell::platform::Utf8FromPath(kept), Blob{'1', '\n'});
            }
            return required;
        } catch (const RegisterError&) {
        }
    }
    return fs::exists(kept, ec);
}

void Recorder::Tell(const std::string& notice) const {
    if (m_notice) m_notice(notice);
}

namespace {

/// Names compared as a person counts: "…-2" before "…-10".
bool NumberOrder(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            const std::size_t ai = a.find_first_not_of('0', i), bj = b.find_first_not_of('0', j);
            std::size_t ae = i, be = j;
            while (ae < a.size() && digit(a[ae])) ++ae;
            while (be < b.size() && digit(b[be])) ++be;
            const std::size_t al = ae - std::min(ai, ae), bl = be - std::min(bj, be);
            if (al != bl) return al < bl;
            const int c = a.compare(std::min(ai, ae), al, b, std::min(bj, be), bl);
            if (c != 0) return c < 0;
            i = ae;
            j = be;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::vector<fs::path> QueueFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == kQueueExtension) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
        return NumberOrder(a.filename().string(), b.filename().string());
    });
    return files;
}

}  // namespace

int Recorder::Queued() const {
    return static_cast<int>(QueueFiles(m_queue).size());
}

void Recorder::NoteUnknownQueue() {
    if (m_unknownNoted) return;
    const auto unknown = QueueFiles(m_root);
    if (unknown.empty()) return;
    m_unknownNoted = true;
    Tell(std::to_string(unknown.size()) + " records in " + shell::platform::Utf8FromPath(m_root) +
         " do not say which register they are for, so they are not sent: move each into the "
         "folder of its register (its file REGISTER names it) to send it.");
}

namespace {

/// One sending of a register's queue, shared by the program and the thread
/// that sends: the program waits while the register answers.
struct Sending {
    std::mutex mutex;
    std::condition_variable ended;
    std::chrono::steady_clock::time_point lastAnswer = std::chrono::steady_clock::now();
    bool done = false;
    bool givenUp = false;
    int left = 0;
    std::string failure;
    std::vector<std::string> notices;
    /// The chain's head once the records went in, and whether the chain
    /// still reaches the head kept before.
    ChainHead head;
    bool reaches = true;

    void Tell(std::string notice) {
        const std::lock_guard lock(mutex);
        notices.push_back(std::move(notice));
    }
};

/// The register's database as the sending thread uses it: every statement
/// that comes back is an answer, and once the program has given the sending
/// up nothing more goes through it.
class AnsweredDatabase final : public Database {
  public:
    AnsweredDatabase(std::unique_ptr<Database> db, std::shared_ptr<Sending> sending)
        : m_db(std::move(db)), m_sending(std::move(sending)) {
        Answered();
    }
    Engine Kind() const override { return m_db->Kind(); }
    std::string Location() const override { return m_db->Location(); }
    bool ReadOnly() const override { return m_db->ReadOnly(); }
    std::vector<Row> Run(const std::string& sql, const std::vector<Value>& args) override {
        auto rows = m_db->Run(sql, args);
        Answered();
        return rows;
    }
    void BeginWrite() override {
        m_db->BeginWrite();
        Answered();
    }
    void Commit() override {
        m_db->Commit();
        Answered();
    }
    void Rollback() override { m_db->Rollback(); }

  private:
    void Answered() {
        const std::lock_guard lock(m_sending->mutex);
        if (m_sending->givenUp) throw RegisterError(m_db->Location() + ": given up");
        m_sending->lastAnswer = std::chrono::steady_clock::now();
    }

    std::unique_ptr<Database> m_db;
    std::shared_ptr<Sending> m_sending;
};

/// Sends the records waiting in `queue` into `reg`, in the order they were
/// made, each taken out of the queue once the register holds it. A record
/// sent twice (by two programs at once, or again after a kill) is kept once
/// by its origin. How many are left.
int SendQueue(PlantRegister& reg, const fs::path& queue, const fs::path& root,
              const std::string& identity, Sending& sending) {
    auto waiting = QueueFiles(queue);
    int left = static_cast<int>(waiting.size());
    for (const auto& path : waiting) {
        files::Bytes bytes;
        if (files::ReadWholeFile(shell::platform::Utf8FromPath(path), bytes) != files::FileError::Ok) continue;
        std::string forRegister;
        auto record = RecordOfQueueFile(bytes, &forRegister);
        std::error_code ec;
        if (!record) {
            const fs::path damaged = root / "damaged";
            fs::create_directories(damaged, ec);
            fs::rename(path, damaged / path.filename(), ec);
            sending.Tell("The queued record " + shell::platform::Utf8FromPath(path.filename()) +
                         " cannot be read; it was moved to " +
                         shell::platform::Utf8FromPath(damaged) +
                         (ec ? " (it could not be: " + ec.message() + ")" : std::string()) + ".");
            --left;
            continue;
        }
        if (!forRegister.empty() && forRegister != identity) {
            sending.Tell("The queued record " + shell::platform::Utf8FromPath(path.filename()) +
                         " is for the register " + ShownRegisterName(forRegister) + "; it waits.");
            continue;
        }
        // A record queued without an origin is known by its queue file.
        if (record->origin.empty())
            record->origin = record->host + "/" + shell::platform::Utf8FromPath(path.filename());
        reg.Add(*record);
        fs::remove(path, ec);
        --left;
    }
    return left;
}

}  // namespace

int Recorder::SendQueued() {
    return Send(nullptr);
}

int Recorder::Send(const Record* unqueued) {
    NoteUnknownQueue();
    if (unqueued == nullptr && QueueFiles(m_queue).empty()) return 0;
    // The register is written on a thread of its own, with a connection of
    // its own: a server that stops answering (a frozen backend does not even
    // keep its own statement limit) holds that thread only, and the program
    // goes on with the record in its queue.
    auto sending = std::make_shared<Sending>();
    std::optional<Record> extra;
    if (unqueued != nullptr) extra = *unqueued;
    const auto kept = ReadHead(m_headFile);
    auto key = ReadKeyFile(KeyFile());
    std::thread sender([sending, opener = m_opener, name = m_name, queue = m_queue, root = m_root,
                        extra = std::move(extra), kept, key = std::move(key)] {
        int left = 0;
        std::string failure;
        try {
            AnsweredDatabase db(opener(name), sending);
            PlantRegister reg(db);
            reg.SignWith(key);
            left = SendQueue(reg, queue, root, RegisterIdentity(name), *sending);
            if (extra) reg.Add(*extra);
            const ChainHead head = reg.Head();
            const bool reaches = !kept || reg.Reaches(*kept);
            const std::lock_guard lock(sending->mutex);
            sending->head = head;
            sending->reaches = reaches;
        } catch (const std::exception& e) {
            failure = *e.what() != '\0' ? e.what() : "the register failed";
        } catch (...) {
            failure = "the register failed";
        }
        const std::lock_guard lock(sending->mutex);
        sending->done = true;
        sending->left = left;
        sending->failure = failure;
        sending->ended.notify_all();
    });
    std::unique_lock lock(sending->mutex);
    while (!sending->done) {
        const auto deadline = sending->lastAnswer + kAnswerLimit;
        if (std::chrono::steady_clock::now() >= deadline) {
            sending->givenUp = true;
            break;
        }
        sending->ended.wait_until(lock, deadline);
    }
    const bool done = sending->done;
    const auto notices = std::move(sending->notices);
    const std::string failure = sending->failure;
    const int left = sending->left;
    const ChainHead head = sending->head;
    const bool reaches = sending->reaches;
    lock.unlock();
    // A thread given up on ends by itself once the register lets it go,
    // closing its connection: the statement it waits on is its last.
    if (done)
        sender.join();
    else
        sender.detach();
    for (const auto& notice : notices) Tell(notice);
    if (!done) {
        throw RegisterError(
            "no answer for " +
            std::to_string(std::chrono::duration_cast<std::chrono::seconds>(kAnswerLimit).count()) +
            " s");
    }
    if (!failure.empty()) throw RegisterError(failure);
    // The head this computer saw is kept until the chain is seen to reach
    // it: a register that lost its newest records is not taken as it is.
    if (reaches) {
        KeepHead(m_headFile, head, m_name);
    } else if (!m_cutNoted) {
        m_cutNoted = true;
        Tell("The plant register " + ShownRegisterName(m_name) +
             " no longer reaches the chain head this computer last saw (record " +
             std::to_string(kept->id) +
             "): records were deleted or written anew. Run rq50-cli register verify.");
    }
    return left;
}

std::string Recorder::Add(Record record) {
    static std::atomic<int> serial{0};
    const int number = ++serial;
    if (record.user.empty()) record.user = m_user;
    if (record.host.empty()) record.host = m_host;
    if (record.time.empty()) record.time = UtcNow();
    if (record.origin.empty()) {
        record.origin = m_host + "/" + std::to_string(shell::platform::ProcessNumber()) + "/" +
                        record.time + "/" + std::to_string(number);
    }
    // The record is in the queue before the register is tried: a program
    // killed while the register holds it up loses nothing.
    std::string safe = record.time + "-" + std::to_string(shell::platform::ProcessNumber()) + "-" +
                       std::to_string(number) + kQueueExtension;
    std::replace(safe.begin(), safe.end(), ':', '-');
    const std::string identity = RegisterIdentity(m_name);
    std::error_code ec;
    // The folder names its register for whoever looks into it.
    if (fs::create_directories(m_queue, ec) || !fs::exists(m_queue / "REGISTER", ec)) {
        shell::KeepPrivate(m_root);
        shell::KeepPrivate(m_queue);
        const std::string text = identity + "\n";
        files::ReplaceFileContents(shell::platform::Utf8FromPath(m_queue / "REGISTER"),
                                   Blob(text.begin(), text.end()));
        shell::KeepPrivate(m_queue / "REGISTER");
    }
    const fs::path path = m_queue / safe;
    const bool queued = files::ReplaceFileContents(shell::platform::Utf8FromPath(path),
                                                   QueueFileOf(record, identity)) == files::FileError::Ok;
    if (queued) shell::KeepPrivate(path);
    std::string why = m_lastFailure;
    if (std::chrono::steady_clock::now() >= m_retryAfter) {
        try {
            Send(queued ? nullptr : &record);
            m_lastFailure.clear();
            return {};
        } catch (const std::exception& e) {
            why = e.what();
        }
        m_lastFailure = why;
        m_retryAfter = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    }
    const std::string shown = ShownRegisterName(m_name);
    why = HidePassword(why, m_name);
    const std::string notice =
        queued ? "The plant register " + shown + " cannot be reached (" + why +
                     "); the record waits in " + shell::platform::Utf8FromPath(m_queue) +
                     " and is sent with the next one."
               : "The plant register " + shown + " cannot be reached (" + why +
                     ") and the record could not be kept in " +
                     shell::platform::Utf8FromPath(m_queue) + "; this transfer is not recorded.";
    Tell(notice);
    return notice;
}

}  // namespace rq50::plant
