#include "scores/ServerConnection.h"

#include "common/RankholdError.h"
#include "scores/PlayerDatabase.h"
#include "scores/PlayerSql.h"
#include "scores/ServerWatchdog.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <libpq-fe.h>

using namespace Qt::StringLiterals;

namespace {

const QString kDriver = u"QPSQL"_s;

// libpq's options, separated by ';' as Qt takes them.
const QString kConnectOptions = u"connect_timeout=10;keepalives=1;keepalives_idle=30;keepalives_interval=10;"
                                "keepalives_count=3;tcp_user_timeout=60000;application_name=rankhold"_s;

// Beyond the server's own statement time-out, which ends a statement with clearer words.
constexpr int kWatchdogMarginSeconds = 10;

QString connectionError(const QString &message, const DatabaseLocation &location)
{
    QString text = message + u" ("_s + location.url + u')';
    if (message.contains(u"password"_s, Qt::CaseInsensitive))
        text += u"; PostgreSQL takes the password from the environment variable PGPASSWORD or from the password "
                "file ~/.pgpass (or the file PGPASSFILE names), never from the URL"_s;
    return text;
}

} // namespace

QSqlDatabase serverConnection(const QString &name)
{
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.driverName() == kDriver)
            return db;
    }
    if (!QSqlDatabase::isDriverAvailable(kDriver))
        throw RankholdError(u"Qt's PostgreSQL driver (QPSQL) is not installed; on Debian it is the package "
                            "libqt6sql6-psql"_s);
    return QSqlDatabase::addDatabase(kDriver, name);
}

void openServerConnection(QSqlDatabase &db, const DatabaseLocation &location)
{
    db.setHostName(location.host);
    db.setPort(location.port);
    db.setUserName(location.user);
    db.setPassword({});
    db.setDatabaseName(location.databaseName);
    db.setConnectOptions(location.options.isEmpty() ? kConnectOptions : kConnectOptions + u';' + location.options);
    if (!db.open())
        throw RankholdError(connectionError(engineMessage(db.lastError()), location));
    // The server ends a statement that takes too long itself, with its own
    // words; the watchdog ends the wait for a server that no longer can.
    serverwatchdog::watch(db, location.timeoutSeconds + kWatchdogMarginSeconds);
    QString error;
    {
        QSqlQuery query(db);
        QStringList settings = PlayerSql::connectionSettings(SqlEngine::PostgreSQL);
        settings.append(u"SET statement_timeout = %1;"_s.arg(qint64(location.timeoutSeconds) * 1000));
        for (const QString &setting : settings) {
            if (!query.exec(setting)) {
                error = engineMessage(query.lastError());
                break;
            }
        }
    }
    if (!error.isEmpty()) {
        serverwatchdog::forget(db);
        db.close();
        throw RankholdError(connectionError(error, location));
    }
}

pg_conn *libpqConnection(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // The driver's handle is a PGconn*, which the type system knows by its struct's name.
    if (!handle.isValid() ||
        (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn *const *>(handle.constData());
}

bool serverAnswers(QSqlDatabase &db)
{
    // The driver closes a connection whose server it found gone.
    if (!db.isOpen())
        return false;
    QSqlQuery query(db);
    return query.exec(PlayerSql::probe(SqlEngine::PostgreSQL)) && query.next();
}
