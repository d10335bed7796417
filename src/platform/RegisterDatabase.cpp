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

#ifndef _WIN32
#include <pwd.h>
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
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlDatabase& Handle() { return m_db; }

    plant::Engine Kind() const override { return m_engine; }
    std::string Location() const override { return m_location; }

    std::vector<plant::Row> Run(const std::string& sql,
                                const std::vector<plant::Value>& args) override {
        QSqlQuery query(m_db);
        query.setForwardOnly(true);
        // A statement without parameters runs as it is: PostgreSQL cannot
        // prepare the ones that change the schema, the session or a
        // transaction.
        if (args.empty()) {
            if (!query.exec(QString::fromStdString(sql))) Fail(query);
        } else {
            if (!query.prepare(QString::fromStdString(sql))) Fail(query);
            for (const auto& value : args) query.addBindValue(ToVariant(value));
            if (!query.exec()) Fail(query);
        }
        std::vector<plant::Row> rows;
        if (!query.isSelect()) return rows;
        const int columns = query.record().count();
        while (query.next()) {
            plant::Row row;
            for (int i = 0; i < columns; ++i) row.push_back(FromVariant(query.value(i)));
            rows.push_back(std::move(row));
        }
        if (query.lastError().isValid()) Fail(query);
        return rows;
    }
    void BeginWrite() override {
        Run(m_engine == plant::Engine::kSqlite ? "BEGIN IMMEDIATE" : "BEGIN", {});
    }
    void Commit() override { Run("COMMIT", {}); }
    void Rollback() override { Run("ROLLBACK", {}); }

    [[noreturn]] void Fail(const QSqlQuery& query) const {
        throw RegisterError(m_location + ": " + Text(query.lastError().text()));
    }

  private:
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
    QString m_name;
    QSqlDatabase m_db;
};

std::unique_ptr<plant::Database> OpenSqlite(const std::string& path) {
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
    } else if (!QDir().mkpath(info.absolutePath())) {
        throw RegisterError("the folder of " + path + " cannot be made");
    }
    auto db = std::make_unique<QtSqlDatabase>(plant::Engine::kSqlite, path);
    db->Handle().setDatabaseName(file);
    db->Handle().setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
    if (!db->Handle().open()) {
        throw RegisterError(path + ": " + Text(db->Handle().lastError().text()));
    }
    db->Run("PRAGMA busy_timeout = 15000", {});
    // A damaged file says so here, before anything is written to it.
    db->Run("SELECT COUNT(*) FROM sqlite_master", {});
    const auto mode = db->Run("PRAGMA journal_mode = WAL", {});
    if (mode.empty() || plant::TextAt(mode[0], 0) != "wal") {
        throw RegisterError(path + ": the register cannot use a write-ahead log here");
    }
    db->Run("PRAGMA foreign_keys = ON", {});
    return db;
}

std::unique_ptr<plant::Database> OpenPostgres(const std::string& uri) {
    const QUrl url(QString::fromStdString(uri), QUrl::StrictMode);
    if (!url.isValid()) throw RegisterError("the register " + uri + " is not a valid URI");
    const QUrlQuery params(url);
    QString host = url.host();
    int port = url.port(5432);
    QString options = QStringLiteral("connect_timeout=5");
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
    if (name.isEmpty()) throw RegisterError("the register " + uri + " names no database");
    QUrl shown = url;
    shown.setPassword(QString());
    auto db = std::make_unique<QtSqlDatabase>(plant::Engine::kPostgres, Text(shown.toString()));
    QSqlDatabase& h = db->Handle();
    if (!h.isValid()) throw RegisterError("the PostgreSQL driver of Qt SQL is not installed");
    h.setDatabaseName(name);
    if (!host.isEmpty()) h.setHostName(host);
    h.setPort(port);
    if (!url.userName().isEmpty()) h.setUserName(url.userName());
    if (!url.password().isEmpty()) h.setPassword(url.password());
    h.setConnectOptions(options);
    if (!h.open()) throw RegisterError(db->Location() + ": " + Text(h.lastError().text()));
    db->Run("SET client_min_messages = WARNING", {});
    return db;
}

/// The account the program runs as: the environment's name for it, else (a
/// service, a container, cron) the system's.
std::string AccountName() {
    for (const char* variable : {"USER", "LOGNAME", "USERNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty()) return Text(name);
    }
#ifndef _WIN32
    if (const passwd* account = ::getpwuid(::geteuid()); account != nullptr && account->pw_name)
        return account->pw_name;
#endif
    return "unknown";
}

}  // namespace

std::unique_ptr<plant::Recorder> MakeRecorder(const shell::SettingsStore* settings,
                                              const std::string& flag) {
    return std::make_unique<plant::Recorder>(plant::RegisterName(settings, flag),
                                             &OpenRegisterDatabase, plant::QueueFolder(),
                                             AccountName(), Text(QSysInfo::machineHostName()));
}

std::unique_ptr<plant::Database> OpenRegisterDatabase(const std::string& name) {
    // Qt SQL loads its drivers as plugins, which needs an application
    // object; rq50-cli and the benchmarks have none of their own.
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char program[] = "rq50";
        static char* argv[] = {program, nullptr};
        static auto* app = new QCoreApplication(argc, argv);  // lives to the end
        (void)app;
    }
    if (name.rfind("sqlite:", 0) == 0) return OpenSqlite(name.substr(7));
    if (name.rfind("postgresql://", 0) == 0 || name.rfind("postgres://", 0) == 0) {
        return OpenPostgres(name);
    }
    throw RegisterError("the register \"" + name +
                        "\" is neither sqlite:PATH nor a postgresql:// URI");
}

}  // namespace rq50::platform
