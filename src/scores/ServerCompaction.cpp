#include "scores/ServerCompaction.h"

#include "common/RankholdError.h"
#include "common/Rounding.h"
#include "scores/PlayerDatabase.h"
#include "scores/PlayerSql.h"

#include <QSqlError>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

qint64 queryNumber(QSqlDatabase &db, const QString &sql)
{
    return queryValue(db, sql).toLongLong();
}

QString kilobytes(qint64 bytes)
{
    return QString::number(roundHalfEven(double(bytes) / 1024.0)) + u" KB"_s;
}

} // namespace

bool compactServerTables(PlayerDatabase &database, CommandHost &host)
{
    host.setActivityText(u"Compacting Database"_s);
    host.repaintStatus();
    QString report;
    QString cause;
    try {
        QSqlDatabase db = database.connection();
        if (queryNumber(db, PlayerSql::mayCompactTables()) == 0)
            throw RankholdError(u"only the owner of the tables player and player_totals, the owner of the database "
                                "or a superuser may compact them"_s);
        const qint64 before = queryNumber(db, PlayerSql::tablesSize());
        execSql(db, PlayerSql::limitLockWait());
        try {
            execSql(db, PlayerSql::compactTables());
        } catch (...) {
            QSqlQuery(db).exec(PlayerSql::resetLockWait());
            throw;
        }
        execSql(db, PlayerSql::resetLockWait());
        const qint64 after = queryNumber(db, PlayerSql::tablesSize());
        report = u"Compacted the tables player and player_totals on the database server (VACUUM FULL, ANALYZE): "
                 "%1 before, %2 after"_s.arg(kilobytes(before), kilobytes(after));
    } catch (const RankholdError &e) {
        cause = e.message();
    }
    host.setActivityText(kIdle);
    if (!cause.isEmpty()) {
        host.showMessage(
            u"Unable to compact database\nMake sure the database is not being used\nand try again...\n("_s + cause +
            u')');
        return false;
    }
    host.showMessage(report);
    return true;
}
