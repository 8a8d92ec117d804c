#include "scores/ServerDatabase.h"

#include "scores/ServerWatchdog.h"

#include "common/RankholdError.h"
#include "scores/DatabaseSchema.h"
#include "scores/PlayerDatabase.h"
#include "scores/PlayerSql.h"
#include "scores/ServerConnection.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

using namespace Qt::StringLiterals;

ServerDatabase::ServerDatabase(const DatabaseLocation &location)
    : m_name(u"rankhold-server-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    try {
        m_db = serverConnection(m_name);
        openServerConnection(m_db, location);
        QSqlQuery query(m_db);
        if (!query.exec(PlayerSql::databaseEncoding()) || !query.next())
            throw RankholdError(engineMessage(query.lastError()));
        const QString encoding = query.value(0).toString();
        if (encoding != u"UTF8"_s)
            throw RankholdError(
                u"The database %1 has the encoding %2; Rankhold needs UTF8, which holds every "
                "player name (make it with: CREATE DATABASE name ENCODING 'UTF8' TEMPLATE template0)"_s.arg(
                    location.databaseName, encoding));
    } catch (...) {
        m_db = QSqlDatabase();
        if (QSqlDatabase::contains(m_name))
            QSqlDatabase::removeDatabase(m_name);
        throw;
    }
}

ServerDatabase::~ServerDatabase()
{
    serverwatchdog::forget(m_db);
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

void createServerDatabase(const DatabaseLocation &location)
{
    ServerDatabase server(location);
    try {
        DatabaseSchema::create(server.db());
    } catch (const RankholdError &e) {
        throw RankholdError(u"Cannot create the tables in %1: %2"_s.arg(location.url, e.message()));
    }
}
