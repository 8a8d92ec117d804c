#include "scores/Maintenance.h"

#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "platform/Paths.h"
#include "scores/DatabaseInUse.h"
#include "scores/PlayerDatabase.h"
#include "scores/ServerCompaction.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <cerrno>

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
// database. The source is held alone (see DatabaseInUse) and locked by the
// engine from before the copy until after the rename: another program that
// has it open makes the compaction fail instead of being left on the old
// file, or losing its rows to it. True when the copy replaced the source;
// otherwise the original is untouched, no copy is left behind, and `cause`
// says why, unless the database was in use (which the message says anyway).
bool compactInto(const QString &source, const QString &copy, QString &cause)
{
    const platform::FileLock alone = holdDatabaseAlone(source);
    if (!alone.isHeld())
        return false;
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
                if (!q.exec())
                    cause = engineMessage(q.lastError());
                else if (!(replaced = platform::replaceFile(copy, source)))
                    cause = u"cannot rename %1 to %2 (%3)"_s.arg(copy, source, platform::errorText(errno));
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

    QString cause;
    const bool compacted = compactInto(databaseFile, copy, cause);
    if (!compacted) {
        // A full disk or a folder it may not write to is not cured by trying
        // again: then the message says what stood in the way.
        QString message = u"Unable to compact database\nMake sure the database is not being used\nand try again..."_s;
        if (!cause.isEmpty())
            message += u"\n("_s + cause + u')';
        host.showMessage(message);
    }

    database.open();
    host.setConnectionText(kConnectionOpen);
    host.setActivityText(kIdle);
    database.openTable();
    database.dataSet(2).open();
    return compacted;
}
