#include "scores/DatabaseCopy.h"

#include "common/RankholdError.h"
#include "platform/Paths.h"
#include "scores/DatabaseSchema.h"
#include "scores/NamesSql.h"
#include "scores/PlayerDatabase.h"
#include "scores/PlayerSql.h"
#include "scores/ServerCopy.h"
#include "scores/ServerDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>

#include <vector>

using namespace Qt::StringLiterals;

namespace {

qint64 countRows(QSqlDatabase &db)
{
    return queryValue(db, PlayerSql::countRows()).toLongLong();
}

// The target in its transaction, with the writers' lock: the tables made
// when there are none, refused when they hold rows.
void prepareTarget(QSqlDatabase &db, const DatabaseLocation &target)
{
    for (const QString &statement : PlayerSql::beginWriting(SqlEngine::PostgreSQL))
        execSql(db, statement);
    if (!DatabaseSchema::hasPlayerTable(db)) {
        DatabaseSchema::createTables(db);
        return;
    }
    const qint64 stored = countRows(db);
    if (stored > 0)
        throw RankholdError(u"The table player of %1 holds %2 rows already; copy-database copies only into an empty "
                            "database"_s.arg(target.url)
                                .arg(stored));
}

// Every row with one COPY: no statement a row, and the totals' trigger
// counts them all once, at its end.
qint64 copyRows(QSqlDatabase &source, QSqlDatabase &db, qint64 total, const std::function<void(int)> &progress)
{
    QSqlQuery rows(source);
    rows.setForwardOnly(true);
    if (!rows.exec(PlayerSql::selectAllRows()))
        throw RankholdError(engineMessage(rows.lastError()));
    const int columns = int(PlayerSql::insertColumns().size());
    ServerCopy copy(db, PlayerSql::copyIntoPlayer());
    std::vector<QVariant> values(static_cast<size_t>(columns));
    qint64 copied = 0;
    int shown = -1;
    while (rows.next()) {
        for (int c = 0; c < columns; ++c) {
            QVariant value = rows.value(c);
            // The server's text holds no NUL.
            if (value.typeId() == QMetaType::QString && value.toString().contains(QChar(0)))
                throw RankholdError(u"the row with the Id '%1' holds a NUL character, which PostgreSQL cannot "
                                    "store"_s.arg(rows.value(0).toString().replace(QChar(0), u"\\0"_s).left(60)));
            values[size_t(c)] = std::move(value);
        }
        copy.add(values.data(), columns);
        ++copied;
        const int percent = total > 0 ? int(copied * 100 / total) : 100;
        if (progress && percent != shown) {
            progress(percent);
            shown = percent;
        }
    }
    if (rows.lastError().isValid())
        throw RankholdError(engineMessage(rows.lastError()));
    copy.finish();
    return copied;
}

// Who is who on the portal, and its log in its order (the server numbers
// the lines anew). A file made before the names had none.
void copyNames(QSqlDatabase &source, QSqlDatabase &db)
{
    if (queryValue(source, NamesSql::hasNamesTable()).toInt() == 0)
        return;
    const auto copy = [&](const QString &select, const QString &insert, int columns) {
        QSqlQuery rows(source);
        rows.setForwardOnly(true);
        if (!rows.exec(select))
            throw RankholdError(engineMessage(rows.lastError()));
        while (rows.next()) {
            PlayerSql::Statement statement{insert, {}};
            for (int c = 0; c < columns; ++c)
                statement.bindings.append(rows.value(c));
            QSqlQuery q(db);
            execStatement(q, statement);
        }
        if (rows.lastError().isValid())
            throw RankholdError(engineMessage(rows.lastError()));
    };
    copy(NamesSql::assignments(), NamesSql::setAssignment(), 3);
    copy(NamesSql::logEntries(), NamesSql::addLogEntry(), 3);
}

} // namespace

qint64 copyDatabase(const QString &file, const DatabaseLocation &target, const std::function<void(int)> &progress)
{
    if (!target.isServer())
        throw RankholdError(u"copy-database copies into a database on a PostgreSQL server: give its URL, "
                            "postgresql://user@host[:port]/dbname"_s);
    if (!platform::fileExists(file))
        throw RankholdError(u"There is no database %1 to copy"_s.arg(file));
    const QString name = u"rankhold-copy-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    qint64 copied = 0;
    QString error;
    {
        QSqlDatabase source = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        // Read only, and in one read transaction: a snapshot of the file
        // even while an import writes to it.
        source.setDatabaseName(u"file:"_s + QString::fromLatin1(QUrl::toPercentEncoding(file, "/")) + u"?mode=ro"_s);
        source.setConnectOptions(u"QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=3000"_s);
        try {
            if (!source.open())
                throw RankholdError(engineMessage(source.lastError()));
            execSql(source, u"BEGIN;"_s);
            const qint64 total = countRows(source);
            ServerDatabase server(target);
            QSqlDatabase &db = server.db();
            try {
                prepareTarget(db, target);
                copied = copyRows(source, db, total, progress);
                copyNames(source, db);
                if (countRows(db) != total)
                    throw RankholdError(u"the copy holds %1 rows, the file %2"_s.arg(countRows(db)).arg(total));
                execSql(db, PlayerSql::commit());
            } catch (...) {
                QSqlQuery(db).exec(PlayerSql::rollback());
                throw;
            }
        } catch (const RankholdError &e) {
            error = e.message();
        }
        QSqlQuery(source).exec(PlayerSql::rollback());
        source.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!error.isEmpty())
        throw RankholdError(u"Cannot copy %1 to %2: %3; nothing was copied"_s.arg(file, target.url, error));
    return copied;
}
