#include "support/PostgresServer.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTcpServer>
#include <QUuid>

#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

int freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// Debian keeps the server's programs under /usr/lib/postgresql/VERSION/bin,
// not on the PATH; the newest version wins.
QString serverPrograms()
{
    QDir versions(u"/usr/lib/postgresql"_s);
    QStringList entries = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(entries.begin(), entries.end(),
              [](const QString &a, const QString &b) { return a.toDouble() > b.toDouble(); });
    for (const QString &version : entries) {
        const QString bin = versions.filePath(version + u"/bin"_s);
        if (QFile::exists(bin + u"/initdb"_s) && QFile::exists(bin + u"/pg_ctl"_s))
            return bin;
    }
    const QString pgCtl = QStandardPaths::findExecutable(u"pg_ctl"_s);
    const QString initdb = QStandardPaths::findExecutable(u"initdb"_s);
    return pgCtl.isEmpty() || initdb.isEmpty() ? QString() : QFileInfo(pgCtl).absolutePath();
}

// Run by root, the server runs as nobody, who must reach its folder: a
// TMPDIR under a private home would not do, /tmp does.
QString folderTemplate()
{
    return (geteuid() == 0 ? u"/tmp"_s : QDir::tempPath()) + u"/rankhold-postgres-XXXXXX"_s;
}

} // namespace

PostgresServer::PostgresServer(bool durable) : m_folder(folderTemplate()), m_durable(durable)
{
    m_bin = serverPrograms();
    if (m_bin.isEmpty()) {
        m_why = u"PostgreSQL is not installed: no initdb and pg_ctl under /usr/lib/postgresql/*/bin or on the PATH "
                "(Debian: apt-get install postgresql)"_s;
        return;
    }
    if (!QSqlDatabase::isDriverAvailable(u"QPSQL"_s)) {
        m_why = u"Qt's PostgreSQL driver QPSQL is not installed (Debian: apt-get install libqt6sql6-psql)"_s;
        return;
    }
    if (!m_folder.isValid()) {
        m_why = u"cannot make a temporary folder"_s;
        return;
    }
    // PostgreSQL refuses to run as root.
    if (geteuid() == 0) {
        const passwd *nobody = getpwnam("nobody");
        if (!nobody || chown(QFile::encodeName(m_folder.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
            m_why = u"running as root, and the user nobody cannot own %1"_s.arg(m_folder.path());
            return;
        }
        m_asNobody = true;
    }
    m_data = m_folder.filePath(u"data"_s);
    const QStringList cluster{u"-D"_s, m_data, u"-U"_s, u"rankhold"_s, u"--auth=trust"_s, u"-E"_s, u"UTF8"_s, u"-N"_s};
    if (!run(u"initdb"_s,
             cluster + QStringList{u"--locale-provider=icu"_s, u"--icu-locale=en"_s, u"--locale=C.UTF-8"_s})) {
        // A server without ICU: its own C collation then (byte order already).
        QDir(m_data).removeRecursively();
        if (!run(u"initdb"_s, cluster + QStringList{u"--locale=C"_s}))
            return;
    }
    // One user logs in with a password (scram-sha-256), the others without.
    QFile hba(m_data + u"/pg_hba.conf"_s);
    QByteArray rules;
    if (hba.open(QIODevice::ReadOnly))
        rules = hba.readAll();
    hba.close();
    if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        hba.write("host all passworded 127.0.0.1/32 scram-sha-256\n" + rules) < 0) {
        m_why = u"cannot write %1"_s.arg(hba.fileName());
        return;
    }
    hba.close();
    for (int attempt = 0; attempt < 3 && !m_running; ++attempt) {
        m_port = freePort();
        m_running = start();
    }
}

PostgresServer::~PostgresServer()
{
    if (m_running)
        run(u"pg_ctl"_s, {u"-D"_s, m_data, u"-m"_s, u"fast"_s, u"-w"_s, u"stop"_s});
}

bool PostgresServer::start()
{
    QString options = u"-p %1 -c listen_addresses=127.0.0.1 -c unix_socket_directories=''"_s.arg(m_port);
    // Without fsync a commit still reaches the operating system before it
    // returns (synchronous_commit stays on), so a server stopped at once, as
    // a test of a lost connection does, keeps what was committed.
    if (!m_durable)
        options += u" -c fsync=off -c full_page_writes=off"_s;
    m_running = run(u"pg_ctl"_s, {u"-D"_s, m_data, u"-l"_s, m_folder.filePath(u"server.log"_s), u"-w"_s, u"-t"_s,
                                  u"60"_s, u"-o"_s, options, u"start"_s});
    return m_running;
}

bool PostgresServer::stop()
{
    const bool stopped = run(u"pg_ctl"_s, {u"-D"_s, m_data, u"-m"_s, u"immediate"_s, u"-w"_s, u"stop"_s});
    m_running = !stopped;
    return stopped;
}

bool PostgresServer::run(const QString &tool, const QStringList &arguments, int timeoutMs)
{
    QProcess process;
    process.setWorkingDirectory(m_folder.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString program = m_bin + u'/' + tool;
    if (m_asNobody)
        process.start(u"runuser"_s, QStringList{u"-u"_s, u"nobody"_s, u"--"_s, program} + arguments);
    else
        process.start(program, arguments);
    const bool ok =
        process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!ok) {
        QString log = QString::fromLocal8Bit(process.readAll());
        QFile serverLog(m_folder.filePath(u"server.log"_s));
        if (serverLog.open(QIODevice::ReadOnly))
            log += QString::fromLocal8Bit(serverLog.readAll().right(2000));
        m_why = u"%1 failed: %2 %3"_s.arg(tool, process.errorString(), log.right(3000));
    }
    return ok;
}

QSqlDatabase PostgresServer::connect(const QString &database)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QPSQL"_s, u"test-admin-"_s + QUuid::createUuid().toString());
    db.setHostName(u"127.0.0.1"_s);
    db.setPort(m_port);
    db.setUserName(u"rankhold"_s);
    db.setDatabaseName(database);
    db.setConnectOptions(u"connect_timeout=10"_s);
    if (!db.open())
        m_why = db.lastError().text();
    return db;
}

bool PostgresServer::execute(const QString &database, const QString &sql)
{
    QString name;
    bool ok = false;
    {
        QSqlDatabase db = connect(database);
        name = db.connectionName();
        if (db.isOpen()) {
            QSqlQuery query(db);
            ok = query.exec(sql);
            if (!ok)
                m_why = query.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

QStringList PostgresServer::select(const QString &database, const QString &sql)
{
    QString name;
    QStringList values;
    {
        QSqlDatabase db = connect(database);
        name = db.connectionName();
        QSqlQuery query(db);
        if (db.isOpen() && query.exec(sql)) {
            while (query.next())
                values.append(query.value(0).isNull() ? u"NULL"_s : query.value(0).toString());
        } else {
            m_why = query.lastError().text();
        }
        query = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return values;
}

QString PostgresServer::createDatabase(const QString &encoding)
{
    const QString name = u"rankhold%1"_s.arg(++m_databases);
    // The locale of another encoding must be one that fits it: C fits all.
    const QString sql = encoding == u"UTF8"_s ? u"CREATE DATABASE %1"_s.arg(name)
                                              : u"CREATE DATABASE %1 ENCODING '%2' TEMPLATE template0 "
                                                "LOCALE_PROVIDER libc LOCALE 'C'"_s.arg(name, encoding);
    return execute(u"postgres"_s, sql) ? url(name) : QString();
}
