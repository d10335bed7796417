#include "platform/RegisterDatabase.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSysInfo>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>
#include <atomic>
#include <unordered_map>

#include "shell/AppPaths.h"
#include "shell/PlatformFile.h"

#ifdef _WIN32
#include <lmcons.h>
#include <windows.h>
#else
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rq50::platform {
namespace {

using plant::RegisterError;

std::string Text(const QString& s) {
    return s.toUtf8().toStdString();
}

class QtSqlDatabase : public plant::Database {
  public:
    QtSqlDatabase(plant::Engine engine, std::string location)
        : m_engine(engine), m_location(std::move(location)) {
        static std::atomic<int> serial{0};
        m_name = QStringLiteral("rq50-register-%1").arg(++serial);
        m_db = QSqlDatabase::addDatabase(engine == plant::Engine::kPostgres
                                             ? QStringLiteral("QPSQL")
                                             : QStringLiteral("QSQLITE"),
                                         m_name);
    }
    ~QtSqlDatabase() override {
        m_prepared.clear();
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase& Handle() { return m_db; }

    plant::Engine Kind() const override { return m_engine; }
    std::string Location() const override { return m_location; }
    bool ReadOnly() const override { return m_readOnly; }
    void SetReadOnly() { m_readOnly = true; }

    std::vector<plant::Row> Run(const std::string& sql,
                                const std::vector<plant::Value>& args) override {
        // A statement without parameters runs as it is: PostgreSQL cannot
        // prepare the ones that change the schema, the session or a
        // transaction.
        if (args.empty()) {
            QSqlQuery query(m_db);
            query.setForwardOnly(true);
            if (!query.exec(QString::fromStdString(sql))) Fail(query);
            return Rows(query);
        }
        // One with parameters is prepared once a connection and kept: the
        // register asks the same few again and again.
        auto it = m_prepared.find(sql);
        if (it == m_prepared.end()) {
            QSqlQuery query(m_db);
            query.setForwardOnly(true);
            if (!query.prepare(QString::fromStdString(sql))) Fail(query);
            it = m_prepared.emplace(sql, std::move(query)).first;
        }
        QSqlQuery& query = it->second;
        for (std::size_t i = 0; i < args.size(); ++i)
            query.bindValue(static_cast<int>(i), ToVariant(args[i]));
        if (!query.exec()) {
            const QSqlError error = query.lastError();
            query.finish();
            Fail(error);
        }
        return Rows(query);
    }
    void Each(const std::string& sql,
              const std::function<void(plant::Row&)>& each) override {
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        if (!query.exec(QString::fromStdString(sql))) Fail(query);
        const int columns = query.record().count();
        plant::Row row(static_cast<std::size_t>(columns));
        while (query.next()) {
            for (int i = 0; i < columns; ++i)
                row[static_cast<std::size_t>(i)] = FromVariant(query.value(i));
            each(row);
        }
        const QSqlError error = query.lastError();
        query.finish();
        if (error.isValid()) Fail(error);
    }
    void BeginWrite() override {
        Run(m_engine == plant::Engine::kSqlite ? "BEGIN IMMEDIATE" : "BEGIN", {});
    }
    void Commit() override { Run("COMMIT", {}); }
    void Rollback() override { Run("ROLLBACK", {}); }

    [[noreturn]] void Fail(const QSqlQuery& query) const { Fail(query.lastError()); }
    [[noreturn]] void Fail(const QSqlError& error) const {
        throw RegisterError(plant::HidePassword(m_location + ": " + Text(error.text()), m_secret));
    }
    /// The name as given, password and all: what errors must never show.
    void SetSecret(std::string name) { m_secret = std::move(name); }

  private:
    /// The rows `query` returns (none for most writes); the query is done
    /// with afterwards, so a kept one holds no lock.
    std::vector<plant::Row> Rows(QSqlQuery& query) const {
        std::vector<plant::Row> rows;
        if (query.isSelect()) {
            const int columns = query.record().count();
            while (query.next()) {
                plant::Row row;
                for (int i = 0; i < columns; ++i) row.push_back(FromVariant(query.value(i)));
                rows.push_back(std::move(row));
            }
        }
        const QSqlError error = query.lastError();
        query.finish();
        if (error.isValid()) Fail(error);
        return rows;
    }

    static QVariant ToVariant(const plant::Value& value) {
        if (const auto* n = std::get_if<std::int64_t>(&value)) return QVariant(qlonglong(*n));
        if (const auto* s = std::get_if<std::string>(&value)) {
            return QVariant(QString::fromUtf8(s->data(), static_cast<qsizetype>(s->size())));
        }
        if (const auto* b = std::get_if<plant::Blob>(&value)) {
            return QVariant(QByteArray(reinterpret_cast<const char*>(b->data()),
                                       static_cast<qsizetype>(b->size())));
        }
        return QVariant(QMetaType(QMetaType::QString));
    }
    static plant::Value FromVariant(const QVariant& v) {
        if (v.isNull()) return std::monostate{};
        switch (v.metaType().id()) {
            case QMetaType::QByteArray: {
                const QByteArray bytes = v.toByteArray();
                return plant::Blob(bytes.begin(), bytes.end());
            }
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Long:
            case QMetaType::Short:
                return std::int64_t{v.toLongLong()};
            default:
                return Text(v.toString());
        }
    }

    plant::Engine m_engine;
    std::string m_location;
    std::string m_secret;
    bool m_readOnly = false;
    std::unordered_map<std::string, QSqlQuery> m_prepared;
    QString m_name;
    QSqlDatabase m_db;
};

/// A register file about to be made is made here, empty, before SQLite opens
/// it: SQLite makes a new file 0644 whatever the umask allows, and gives its
/// journal files the permissions the file has when they are made. In the
/// per-user data folder it is the owner's only; on a shared path it has what
/// the umask gives any new file and the folder's group, so that the team
/// that shares the folder shares the file.
void MakeRegisterFile(const std::string& path) {
    QFile file(QString::fromUtf8(path.c_str()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (file.exists()) return;  // another program made it meanwhile
        throw RegisterError(path + " cannot be made: " + Text(file.errorString()));
    }
    file.close();
    const auto native = shell::platform::PathFromUtf8(path);
    shell::KeepPrivate(native);
#ifndef _WIN32
    struct stat folder {};
    if (::stat(native.parent_path().c_str(), &folder) == 0)
        (void)::chown(native.c_str(), static_cast<uid_t>(-1), folder.st_gid);
#endif
}

constexpr int kStatementLimitMs = static_cast<int>(plant::kStatementLimit.count());

std::unique_ptr<plant::Database> OpenSqlite(const std::string& path, bool readOnly) {
    if (path.empty()) throw RegisterError("the register \"sqlite:\" names no file");
    const QString file = QString::fromUtf8(path.c_str());
    QFileInfo info(file);
    if (info.exists()) {
        if (!info.isFile())
            throw RegisterError(path + " is not a file; the register was not opened.");
        QFile probe(file);
        if (!probe.open(QIODevice::ReadOnly)) {
            throw RegisterError(path + " cannot be read: " + Text(probe.errorString()));
        }
        const QByteArray head = probe.read(16);
        if (info.size() > 0 && head != QByteArray("SQLite format 3\0", 16)) {
            throw RegisterError(path +
                                " is not a SQLite database (damaged, or another kind of file); "
                                "it was left as it is.");
        }
        // SQLite would open it for reading without a word, and fail on the
        // first write or on its journal files.
        if (!readOnly && (!info.isWritable() || !QFileInfo(info.absolutePath()).isWritable())) {
            throw RegisterError(path +
                                " cannot be written by this account (a read-only file or folder)");
        }
    } else if (readOnly) {
        throw RegisterError(path + " does not exist: nothing has been recorded there");
    } else if (!QDir().mkpath(info.absolutePath())) {
        throw RegisterError("the folder of " + path + " cannot be made");
    } else {
        MakeRegisterFile(path);
    }
    const QString timeout = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kStatementLimitMs);
    auto connect = [&](bool immutable) {
        auto db = std::make_unique<QtSqlDatabase>(plant::Engine::kSqlite, path);
        if (immutable) {
            db->Handle().setDatabaseName(
                QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded) +
                QStringLiteral("?immutable=1"));
            db->Handle().setConnectOptions(
                timeout + QStringLiteral(";QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        } else {
            db->Handle().setDatabaseName(file);
            db->Handle().setConnectOptions(
                readOnly ? timeout + QStringLiteral(";QSQLITE_OPEN_READONLY") : timeout);
        }
        if (!db->Handle().open()) {
            throw RegisterError(path + ": " + Text(db->Handle().lastError().text()));
        }
        db->Run("PRAGMA busy_timeout = " + std::to_string(kStatementLimitMs), {});
        return db;
    };
    auto db = connect(false);
    // A damaged file says so here, before anything is written to it.
    const char* probe = "SELECT COUNT(*), SUM(name = 'schema_version') FROM sqlite_master";
    std::vector<plant::Row> tables;
    try {
        tables = db->Run(probe, {});
    } catch (const RegisterError&) {
        // A register in the write-ahead log that nobody writes now (it has
        // no log beside it) is read as it stands where its folder cannot
        // take the log's index.
        if (!readOnly || QFileInfo::exists(file + QStringLiteral("-wal"))) throw;
        db = connect(true);
        tables = db->Run(probe, {});
    }
    if (readOnly) {
        db->SetReadOnly();
        return db;
    }
    // Only a register, or an empty file about to become one, is switched to
    // the write-ahead log: a database of another kind is left as it is.
    const bool ours =
        tables.empty() || plant::IntAt(tables[0], 0) == 0 || plant::IntAt(tables[0], 1) > 0;
    if (ours) {
        const auto mode = db->Run("PRAGMA journal_mode = WAL", {});
        if (mode.empty() || plant::TextAt(mode[0], 0) != "wal") {
            throw RegisterError(path + ": the register cannot use a write-ahead log here");
        }
    }
    db->Run("PRAGMA foreign_keys = ON", {});
    return db;
}

std::unique_ptr<plant::Database> OpenPostgres(const std::string& uri) {
    const std::string shownUri = plant::ShownRegisterName(uri);
    const QUrl url(QString::fromStdString(uri), QUrl::StrictMode);
    if (!url.isValid()) throw RegisterError("the register " + shownUri + " is not a valid URI");
    const QUrlQuery params(url);
    QString host = url.host();
    int port = url.port(5432);
    QString options = QStringLiteral("connect_timeout=%1").arg(kStatementLimitMs / 1000);
    for (const auto& [key, value] : params.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host"))
            host = value;
        else if (key == QLatin1String("port"))
            port = value.toInt();
        else
            options += QStringLiteral(";%1=%2").arg(key, value);
    }
    QString name = url.path();
    if (name.startsWith(QLatin1Char('/'))) name.remove(0, 1);
    if (name.isEmpty()) throw RegisterError("the register " + shownUri + " names no database");
    auto db = std::make_unique<QtSqlDatabase>(plant::Engine::kPostgres, shownUri);
    db->SetSecret(uri);
    QSqlDatabase& h = db->Handle();
    if (!h.isValid()) throw RegisterError("the PostgreSQL driver of Qt SQL is not installed");
    h.setDatabaseName(name);
    if (!host.isEmpty()) h.setHostName(host);
    h.setPort(port);
    if (!url.userName().isEmpty()) h.setUserName(url.userName());
    if (!url.password().isEmpty()) h.setPassword(url.password());
    h.setConnectOptions(options);
    if (!h.open()) {
        throw RegisterError(
            plant::HidePassword(db->Location() + ": " + Text(h.lastError().text()), uri));
    }
    db->Run("SET client_min_messages = WARNING", {});
    db->Run("SET statement_timeout = " + std::to_string(kStatementLimitMs), {});
    return db;
}

/// Qt SQL loads its drivers as plugins, which needs an application object;
/// rq50-cli and the benchmarks have none of their own.
void EnsureApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    static int argc = 1;
    static char program[] = "rq50";
    static char* argv[] = {program, nullptr};
    static auto* app = new QCoreApplication(argc, argv);  // lives to the end
    (void)app;
}

/// The account the program runs as, from the system: the environment's
/// USER can name anyone.
std::string AccountName() {
#ifdef _WIN32
    wchar_t name[UNLEN + 1];
    DWORD size = UNLEN + 1;
    if (::GetUserNameW(name, &size) && size > 1)
        return Text(QString::fromWCharArray(name, static_cast<qsizetype>(size - 1)));
#else
    if (const passwd* account = ::getpwuid(::geteuid()); account != nullptr && account->pw_name)
        return account->pw_name;
#endif
    return "unknown";
}

}  // namespace

std::unique_ptr<plant::Recorder> MakeRecorder(const shell::SettingsStore* settings,
                                              const std::string& flag) {
    // Here, not on the thread the recorder sends from.
    EnsureApplication();
    auto recorder = std::make_unique<plant::Recorder>(
        plant::RegisterName(settings, flag), &OpenRegisterDatabase, plant::QueueFolder(),
        AccountName(), Text(QSysInfo::machineHostName()));
    recorder->SetReadingOpener(&OpenRegisterForReading);
    return recorder;
}

namespace {

std::unique_ptr<plant::Database> Open(const std::string& name, bool readOnly) {
    EnsureApplication();
    if (name.rfind("sqlite:", 0) == 0) return OpenSqlite(name.substr(7), readOnly);
    if (name.rfind("postgresql://", 0) == 0 || name.rfind("postgres://", 0) == 0) {
        return OpenPostgres(name);
    }
    throw RegisterError("the register \"" + plant::ShownRegisterName(name) +
                        "\" is neither sqlite:PATH nor a postgresql:// URI");
}

}  // namespace

std::unique_ptr<plant::Database> OpenRegisterDatabase(const std::string& name) {
    return Open(name, false);
}

std::unique_ptr<plant::Database> OpenRegisterForReading(const std::string& name) {
    if (name.rfind("sqlite:", 0) != 0) return Open(name, false);
    const QFileInfo file(QString::fromUtf8(name.substr(7).c_str()));
    if (!file.exists()) return Open(name, true);  // says it does not exist
    // SQLite's journal files go beside the file: both must take writes.
    if (!file.isWritable() || !QFileInfo(file.absolutePath()).isWritable()) return Open(name, true);
    try {
        auto db = Open(name, false);
        // A register that cannot take a write (a full disk) still reads.
        db->Run("SELECT COUNT(*) FROM sqlite_master", {});
        return db;
    } catch (const RegisterError&) {
        return Open(name, true);
    }
}

}  // namespace rq50::platform
