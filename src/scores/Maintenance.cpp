#include "scores/Maintenance.h"

#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "platform/Paths.h"
#include "scores/PlayerDatabase.h"
#include "scores/ServerCompaction.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

#include <algorithm>

using namespace Qt::StringLiterals;

bool deleteAllRecords(PlayerDatabase &database, CommandHost &host)
{
    if (!host.askWarning(u"This will delete ALL records, are you sure ?"_s))
        return false;
    host.setActivityText(u"Deleting all records"_s);
    host.repaintStatus();
    database.execute(PlayerSql::deleteAll());
    host.setActivityText(kIdle);
    return true;
}

bool deleteRecordsByFilters(PlayerDatabase &database, const PlayerSql::Filters &filters, bool matching,
                            CommandHost &host)
{
    const QString question = matching ? u"This will delete ALL records matching the filter(s), are you sure ?"_s
                                      : u"This will delete ALL records NOT matching the filter(s), are you sure ?"_s;
    if (!host.askWarning(question))
        return false;
    if (filters.isEmpty())
        return false;
    database.execute(PlayerSql::deleteByFilters(database.engine(), filters, matching));
    return true;
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
            const QStringList lock = PlayerSql::lockExclusively();
            const bool locked =
                std::all_of(lock.begin(), lock.end(), [&q](const QString &statement) { return q.exec(statement); });
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

bool compactDatabase(PlayerDatabase &database, const ProgramFolder &folder, CommandHost &host)
{
    // A server keeps its own files: there is no file to copy and replace.
    if (database.location().isServer())
        return compactServerTables(database, host);
    const QString databaseFile = folder.databaseFile();
    const QString copy = folder.compactionCopy();
    if (platform::fileExists(copy))
        platform::removeFile(copy);
    database.close();
    host.setConnectionText(kConnectionClosed);
    host.setActivityText(u"Compacting Database"_s);
    host.repaintStatus();

    const bool compacted = compactInto(databaseFile, copy);
    if (!compacted)
        host.showMessage(u"Unable to compact database\nMake sure the database is not being used\nand try again..."_s);

    database.open();
    host.setConnectionText(kConnectionOpen);
    host.setActivityText(kIdle);
    database.openTable();
    database.dataSet(2).open();
    return compacted;
}
