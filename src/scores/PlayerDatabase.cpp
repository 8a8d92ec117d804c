#include "scores/PlayerDatabase.h"

#include "scores/ServerWatchdog.h"

#include "common/RankholdError.h"
#include "platform/Paths.h"
#include "scores/DatabaseInUse.h"
#include "scores/DatabaseSchema.h"
#include "scores/ServerConnection.h"

#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

using namespace Qt::StringLiterals;

QString engineMessage(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    if (text.isEmpty())
        text = u"Unknown database error"_s;
    // A connection the watchdog gave up fails with libpq's bare words; why it was given up comes first.
    return serverwatchdog::explained(text);
}

void execSql(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw RankholdError(engineMessage(query.lastError()));
}

QVariant queryValue(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql) || !query.next())
        throw RankholdError(engineMessage(query.lastError()));
    return query.value(0);
}

void execStatement(QSqlQuery &query, const PlayerSql::Statement &statement)
{
    if (!query.prepare(statement.sql))
        throw RankholdError(engineMessage(query.lastError()));
    for (const QVariant &binding : statement.bindings)
        query.addBindValue(binding);
    if (!query.exec())
        throw RankholdError(engineMessage(query.lastError()));
}

namespace {

constexpr PlayerSql::Ranking kDataSetRanking[6] = {
    PlayerSql::Ranking::Flags,    // DataSet2
    PlayerSql::Ranking::Kills,    // DataSet3
    PlayerSql::Ranking::Zonetime, // DataSet4
    PlayerSql::Ranking::Targets,  // DataSet5
    PlayerSql::Ranking::Ratio,    // DataSet6
    PlayerSql::Ranking::Deaths,   // DataSet7
};

// What every opening runs before the connection counts as open; the engine's
// message when something fails.
QString prepareConnection(QSqlDatabase &db)
{
    {
        // SQLite reads the file lazily: make a damaged or foreign file fail here.
        QSqlQuery query(db);
        if (!query.exec(PlayerSql::probe(engineOf(db))) || !query.next())
            return engineMessage(query.lastError());
        for (const QString &setting : PlayerSql::connectionSettings(engineOf(db))) {
            if (!query.exec(setting))
                return engineMessage(query.lastError());
        }
    }
    // A database of an earlier version gets what this program reads (the totals).
    try {
        DatabaseSchema::upgrade(db);
    } catch (const RankholdError &e) {
        return e.message();
    }
    return {};
}

} // namespace

PlayerDatabase::PlayerDatabase() : m_connectionName(u"rankhold-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    for (int i = 0; i < 6; ++i) {
        m_queries[size_t(i)] = std::make_unique<RankingQuery>(*this, u"DataSet"_s + QString::number(i + 2));
        m_queries[size_t(i)]->setStatement(PlayerSql::rankingQuery(engine(), kDataSetRanking[i]));
    }
}

PlayerDatabase::~PlayerDatabase()
{
    m_listener = nullptr;
    close();
    for (auto &q : m_queries)
        q.reset();
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
}

void PlayerDatabase::setLocation(const DatabaseLocation &location)
{
    if (location == m_location)
        return;
    close();
    const bool otherEngine = location.engine != m_location.engine;
    m_location = location;
    if (otherEngine) {
        if (QSqlDatabase::contains(m_connectionName))
            QSqlDatabase::removeDatabase(m_connectionName);
        for (int i = 0; i < 6; ++i)
            m_queries[size_t(i)]->setStatement(PlayerSql::rankingQuery(engine(), kDataSetRanking[i]));
    }
}

void PlayerDatabase::open()
{
    if (m_open)
        return;
    if (m_location.isServer())
        openServer();
    else
        openFile();
    m_open = true;
    if (m_listener)
        m_listener(true);
}

void PlayerDatabase::openFile()
{
    const QString &fileName = m_location.file;
    // Without a file (start-up ended before it was set) SQLite would open a
    // private temporary database and the connection would read "Open".
    if (fileName.isEmpty())
        throw RankholdError(u"No database file is set"_s);
    // Taken before the engine opens the file, so that the file it opens is
    // the one locked. A missing file is left to the engine's own message.
    m_inUse = holdDatabaseInUse(fileName);
    auto unlock = qScopeGuard([this] { m_inUse.release(); });
    QSqlDatabase db = QSqlDatabase::contains(m_connectionName)
                          ? QSqlDatabase::database(m_connectionName, false)
                          : QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connectionName);
    // mode=rw: never create the file; a missing database is an error.
    const QByteArray encoded = QUrl::toPercentEncoding(fileName, "/");
    db.setDatabaseName(u"file:"_s + QString::fromLatin1(encoded) + u"?mode=rw"_s);
    db.setConnectOptions(u"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=3000"_s);
    if (!db.open()) {
        const QString message = engineMessage(db.lastError());
        throw RankholdError(message + u": "_s + fileName);
    }
    const QString error = prepareConnection(db);
    if (!error.isEmpty()) {
        db.close();
        throw RankholdError(error + u": "_s + fileName);
    }
    unlock.dismiss();
}

void PlayerDatabase::openServer()
{
    QSqlDatabase db = serverConnection(m_connectionName);
    openServerConnection(db, m_location);
    const QString error = prepareConnection(db);
    if (!error.isEmpty()) {
        db.close();
        throw RankholdError(error + u" ("_s + m_location.url + u')');
    }
}

void PlayerDatabase::close()
{
    for (auto &q : m_queries) {
        if (q)
            q->close();
    }
    m_tableOpen = false;
    if (!m_open)
        return;
    if (QSqlDatabase::contains(m_connectionName)) {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        serverwatchdog::forget(db);
        db.close();
    }
    m_inUse.release();
    m_open = false;
    if (m_listener)
        m_listener(false);
}

void PlayerDatabase::openTable()
{
    if (m_tableOpen)
        return;
    QSqlDatabase db = connection();
    QSqlQuery query(db);
    // Preparing is enough to find a missing or damaged table; the rows are counted on demand.
    if (!query.prepare(PlayerSql::countRows()))
        throw RankholdError(engineMessage(query.lastError()));
    m_tableOpen = true;
}

qint64 PlayerDatabase::tableRecordCount()
{
    QSqlDatabase db = connection();
    QSqlQuery query(db);
    if (!query.exec(PlayerSql::countRowsFromTotals()) || !query.next())
        throw RankholdError(engineMessage(query.lastError()));
    return query.value(0).toLongLong();
}

qint64 PlayerDatabase::countPlayers(const PlayerSql::Filters &filters)
{
    QSqlQuery query(connection());
    execStatement(query, PlayerSql::countPlayers(engine(), filters));
    if (!query.next())
        throw RankholdError(engineMessage(query.lastError()));
    return query.value(0).toLongLong();
}

RankingQuery &PlayerDatabase::dataSet(int number)
{
    Q_ASSERT(number >= 2 && number <= 7);
    return *m_queries[size_t(number - 2)];
}

RankingQuery &PlayerDatabase::rankingQuery(PlayerSql::Ranking ranking)
{
    for (int i = 0; i < 6; ++i) {
        if (kDataSetRanking[i] == ranking)
            return *m_queries[size_t(i)];
    }
    Q_UNREACHABLE();
}

void PlayerDatabase::execute(const PlayerSql::Statement &statement)
{
    QSqlQuery query(connection());
    execStatement(query, statement);
}

void PlayerDatabase::execute(const QList<PlayerSql::Statement> &statements)
{
    QSqlDatabase db = connection();
    if (!db.transaction())
        throw RankholdError(engineMessage(db.lastError()));
    try {
        for (const QString &lock : PlayerSql::lockWriters(engine())) {
            QSqlQuery query(db);
            execStatement(query, {lock, {}});
        }
        for (const PlayerSql::Statement &statement : statements) {
            QSqlQuery query(db);
            execStatement(query, statement);
        }
    } catch (...) {
        db.rollback();
        throw;
    }
    if (!db.commit()) {
        const QString message = engineMessage(db.lastError());
        db.rollback();
        throw RankholdError(message);
    }
}

std::optional<qint64> PlayerDatabase::storageSize()
{
    if (!m_location.isServer())
        return platform::fileSizeForUpdate(m_location.file);
    QSqlQuery query(connection());
    if (!query.exec(PlayerSql::databaseSize()) || !query.next())
        throw RankholdError(engineMessage(query.lastError()));
    return query.value(0).toLongLong();
}

QSqlDatabase PlayerDatabase::connection()
{
    if (m_open && m_location.isServer()) {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (!serverAnswers(db))
            close();
    }
    // The engine would go on with the file it has open, which is no longer
    // the database ("attempt to write a readonly database").
    if (m_open && !m_location.isServer() && m_inUse.isReplacedAt(m_location.file))
        close();
    open();
    return QSqlDatabase::database(m_connectionName, false);
}
