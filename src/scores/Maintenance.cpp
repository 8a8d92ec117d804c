#include "scores/Maintenance.h"

#include "core/RankholdError.h"
#include "platform/Paths.h"
#include "scores/DatabaseInfo.h"
#include "scores/PlayerDatabase.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

using namespace Qt::StringLiterals;

void DeleteallRecords(PlayerDatabase &database, CommandHost &host)
{
    if (!host.askWarning(u"This will delete ALL records, are you sure ?"_s))
        return;
    host.setActivityText(u"Deleting all records"_s);
    host.repaintStatus();
    database.execute({PlayerSql::deleteAll(), {}});
    host.setActivityText(kIdle);
    UpdateDBInfo(database, host);
}

void DeleteRecordsByFilters(PlayerDatabase &database, const PlayerSql::Filters &filters, bool matching,
                            CommandHost &host)
{
    const QString question = matching ? u"This will delete ALL records matching the filter(s), are you sure ?"_s
                                      : u"This will delete ALL records NOT matching the filter(s), are you sure ?"_s;
    if (!host.askWarning(question))
        return;
    if (filters.isEmpty())
        return;
    database.execute(PlayerSql::deleteByFilters(filters, matching));
    UpdateDBInfo(database, host);
}

namespace {

// Writes a compacted copy of `source` to `copy` and puts it in place of
// `source` with one rename, so there is never a moment without a whole
// database. The source is held locked from before the copy until after the
// rename: a program that is writing to it makes the compaction fail instead
// of losing its rows to the old file. Returns false on any failure; the
// original is then untouched and no copy is left behind.
bool compactInto(const QString &source, const QString &copy)
{
    const QString name = u"rankhold-compact-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool replaced = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(u"file:"_s + QString::fromLatin1(QUrl::toPercentEncoding(source, "/")) + u"?mode=rw"_s);
        db.setConnectOptions(u"QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=1000"_s);
        if (db.open()) {
            QSqlQuery q(db);
            const bool locked =
                q.exec(u"PRAGMA locking_mode = EXCLUSIVE;"_s) && q.exec(u"BEGIN EXCLUSIVE;"_s) && q.exec(u"COMMIT;"_s);
            if (locked && q.prepare(PlayerSql::vacuumInto())) {
                q.addBindValue(copy);
                if (q.exec())
                    replaced = platform::replaceFile(copy, source);
            }
            q = QSqlQuery();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!replaced && platform::fileExists(copy))
        platform::removeFile(copy);
    return replaced;
}

} // namespace

void RepairQuellmoordatabase(PlayerDatabase &database, const QString &programFolder, CommandHost &host)
{
    const QString databaseFile = platform::joinPath(programFolder, u"Rankhold.mdb"_s);
    const QString copy = platform::joinPath(programFolder, u"Rankhold_rep.mdb"_s);
    if (platform::fileExists(copy))
        platform::removeFile(copy);
    database.close();
    host.setConnectionText(kConnectionClosed);
    host.setActivityText(u"Compacting Database"_s);
    host.repaintStatus();

    if (!compactInto(databaseFile, copy))
        host.showMessage(u"Unable to compact database\nMake sure the database is not being used\nand try again..."_s);

    database.open();
    host.setConnectionText(kConnectionOpen);
    host.setActivityText(kIdle);
    database.openTable();
    database.dataSet(2).open();
    UpdateDBInfo(database, host);
}
