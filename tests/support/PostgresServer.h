#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A PostgreSQL server of the tests' own: a cluster made with initdb in a
// temporary folder, run on a free port of 127.0.0.1 only (no socket file),
// stopped and removed when destroyed. It never touches a cluster of the
// machine's. Run by root, the server runs as the unprivileged user nobody.
// The cluster's own collation is ICU's English, which sorts "abc" before
// "ABC" and "_x" before both, so that a query that does not ask for byte
// order shows it. The user "rankhold" is its superuser, without password;
// a user "passworded", once made, logs in with a password only.
//
//     PostgresServer server;
//     if (!server.isRunning())
//         GTEST_SKIP() << server.why().toStdString();
//     const QString url = server.createDatabase();
class PostgresServer
{
public:
    // `durable`: writes reach the disk at each commit, as PostgreSQL's
    // defaults have it (for a benchmark); the tests do without.
    explicit PostgresServer(bool durable = false);
    ~PostgresServer();
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    bool isRunning() const { return m_running; }
    // Why it is not running: what was missing or what failed, with the log's end.
    const QString &why() const { return m_why; }
    int port() const { return m_port; }

    // A new empty database (encoding UTF8) and its URL. Empty when it failed.
    QString createDatabase(const QString &encoding = QStringLiteral("UTF8"));
    // Runs `sql` on `database` as the superuser; false with the error in why().
    bool execute(const QString &database, const QString &sql);
    // The first column of every row `sql` gives on `database`.
    QStringList select(const QString &database, const QString &sql);

    // Stops the server at once (as a crash or a power cut would: connections
    // drop without a word), and starts it again.
    bool stop();
    bool start();

    static QString url(int port, const QString &database)
    {
        return QStringLiteral("postgresql://rankhold@127.0.0.1:%1/%2").arg(port).arg(database);
    }
    QString url(const QString &database) const { return url(m_port, database); }

private:
    bool run(const QString &tool, const QStringList &arguments, int timeoutMs = 120000);
    QSqlDatabase connect(const QString &database);

    QTemporaryDir m_folder;
    QString m_bin; // the folder of initdb, pg_ctl and postgres
    QString m_data;
    int m_port = 0;
    bool m_running = false;
    bool m_asNobody = false;
    bool m_durable = false;
    int m_databases = 0;
    QString m_why;
};
