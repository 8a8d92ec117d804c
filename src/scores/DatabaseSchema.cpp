#include "scores/DatabaseSchema.h"

#include "common/RankholdError.h"
#include "scores/PlayerDatabase.h"
#include "scores/PlayerSql.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace DatabaseSchema {

namespace {

// "-- version 1: what it adds"
const QRegularExpression kVersionMark(u"^-- version (\\d+):"_s);

QString schemaText(SqlEngine engine)
{
    QFile file(engine == SqlEngine::PostgreSQL ? u":/schema/schema-postgresql.sql"_s : u":/schema/schema.sql"_s);
    if (!file.open(QIODevice::ReadOnly))
        throw RankholdError(u"The database schema is missing from this build"_s);
    return QString::fromUtf8(file.readAll());
}

int readVersion(QSqlDatabase &db)
{
    return queryValue(db, PlayerSql::readSchemaVersion(engineOf(db))).toInt();
}

void beginWriting(QSqlDatabase &db)
{
    for (const QString &statement : PlayerSql::beginWriting(engineOf(db)))
        execSql(db, statement);
}

void runSectionsAfter(QSqlDatabase &db, int version)
{
    const SqlEngine engine = engineOf(db);
    for (const Section &section : sections(engine)) {
        if (section.version <= version)
            continue;
        for (const QString &statement : section.statements)
            execSql(db, statement);
    }
    execSql(db, PlayerSql::writeSchemaVersion(engine, latestVersion(engine)));
}

} // namespace

bool hasPlayerTable(QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(PlayerSql::hasPlayerTable(engineOf(db))) || !query.next())
        throw RankholdError(engineMessage(query.lastError()));
    return query.value(0).toInt() != 0;
}

std::vector<Section> parse(const QString &text)
{
    std::vector<Section> result;
    QString statement;
    bool inTrigger = false;
    bool inTriggerBody = false;
    bool inDollarQuote = false; // a function's body, between $$ and $$
    QString rest = text;
    QTextStream lines(&rest, QIODevice::ReadOnly);
    QString line;
    while (lines.readLineInto(&line)) {
        const QString trimmed = line.trimmed();
        const QRegularExpressionMatch mark = kVersionMark.match(trimmed);
        if (mark.hasMatch()) {
            result.push_back({mark.captured(1).toInt(), {}});
            continue;
        }
        if (trimmed.isEmpty() || (!inDollarQuote && trimmed.startsWith(u"--"_s)))
            continue;
        if (statement.isEmpty())
            inTrigger = trimmed.startsWith(u"CREATE TRIGGER"_s, Qt::CaseInsensitive);
        statement += line + u'\n';
        if (line.count(u"$$"_s) % 2 == 1)
            inDollarQuote = !inDollarQuote;
        // A SQLite trigger's body holds statements of its own and ends with
        // END; a PostgreSQL trigger names a function instead.
        if (inTrigger && trimmed.compare(u"BEGIN"_s, Qt::CaseInsensitive) == 0)
            inTriggerBody = true;
        const bool ends = inDollarQuote   ? false
                          : inTriggerBody ? trimmed.compare(u"END;"_s, Qt::CaseInsensitive) == 0
                                          : trimmed.endsWith(u';');
        if (!ends)
            continue;
        if (result.empty())
            result.push_back({0, {}});
        result.back().statements.append(statement);
        statement.clear();
        inTriggerBody = false;
    }
    if (!statement.trimmed().isEmpty()) {
        if (result.empty())
            result.push_back({0, {}});
        result.back().statements.append(statement);
    }
    return result;
}

const std::vector<Section> &sections(SqlEngine engine)
{
    static const std::vector<Section> sqlite = parse(schemaText(SqlEngine::SQLite));
    static const std::vector<Section> postgresql = parse(schemaText(SqlEngine::PostgreSQL));
    return engine == SqlEngine::PostgreSQL ? postgresql : sqlite;
}

int latestVersion(SqlEngine engine)
{
    return sections(engine).empty() ? 0 : sections(engine).back().version;
}

void createTables(QSqlDatabase &db)
{
    runSectionsAfter(db, -1);
}

void create(QSqlDatabase &db)
{
    beginWriting(db);
    try {
        if (hasPlayerTable(db))
            throw RankholdError(u"The database has a table player already; it is left untouched"_s);
        createTables(db);
        execSql(db, PlayerSql::commit());
    } catch (...) {
        QSqlQuery(db).exec(PlayerSql::rollback());
        throw;
    }
}

bool upgrade(QSqlDatabase &db)
{
    // Read first without a lock: the common case, a database that is up to
    // date, must not wait for a program that is writing to it.
    if (readVersion(db) >= latestVersion(engineOf(db)))
        return false;
    beginWriting(db);
    try {
        const int version = readVersion(db); // another program may have upgraded meanwhile
        if (version >= latestVersion(engineOf(db)) || !hasPlayerTable(db)) {
            execSql(db, PlayerSql::rollback());
            return false;
        }
        runSectionsAfter(db, version);
        execSql(db, PlayerSql::commit());
    } catch (...) {
        QSqlQuery(db).exec(PlayerSql::rollback());
        throw;
    }
    return true;
}

} // namespace DatabaseSchema
