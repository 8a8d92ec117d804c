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

QString schemaText()
{
    QFile file(u":/schema/schema.sql"_s);
    if (!file.open(QIODevice::ReadOnly))
        throw RankholdError(u"The database schema is missing from this build"_s);
    return QString::fromUtf8(file.readAll());
}

void run(QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw RankholdError(engineMessage(query.lastError()));
}

int readVersion(QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(PlayerSql::readSchemaVersion()) || !query.next())
        throw RankholdError(engineMessage(query.lastError()));
    return query.value(0).toInt();
}

bool hasPlayerTable(QSqlDatabase &db)
{
    QSqlQuery query(db);
    return query.prepare(PlayerSql::countRows());
}

void runSectionsAfter(QSqlDatabase &db, int version)
{
    for (const Section &section : sections()) {
        if (section.version <= version)
            continue;
        for (const QString &statement : section.statements)
            run(db, statement);
    }
    run(db, PlayerSql::writeSchemaVersion(latestVersion()));
}

} // namespace

std::vector<Section> parse(const QString &text)
{
    std::vector<Section> result;
    QString statement;
    bool inTrigger = false;
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
        if (trimmed.isEmpty() || trimmed.startsWith(u"--"_s))
            continue;
        if (statement.isEmpty())
            inTrigger = trimmed.startsWith(u"CREATE TRIGGER"_s, Qt::CaseInsensitive);
        statement += line + u'\n';
        // A trigger's body holds statements of its own; the trigger ends with END;
        const bool ends = inTrigger ? trimmed.compare(u"END;"_s, Qt::CaseInsensitive) == 0 : trimmed.endsWith(u';');
        if (!ends)
            continue;
        if (result.empty())
            result.push_back({0, {}});
        result.back().statements.append(statement);
        statement.clear();
    }
    if (!statement.trimmed().isEmpty()) {
        if (result.empty())
            result.push_back({0, {}});
        result.back().statements.append(statement);
    }
    return result;
}

const std::vector<Section> &sections()
{
    static const std::vector<Section> parsed = parse(schemaText());
    return parsed;
}

int latestVersion()
{
    return sections().empty() ? 0 : sections().back().version;
}

void create(QSqlDatabase &db)
{
    run(db, PlayerSql::beginWriting());
    try {
        runSectionsAfter(db, -1);
        run(db, PlayerSql::commit());
    } catch (...) {
        QSqlQuery(db).exec(PlayerSql::rollback());
        throw;
    }
}

bool upgrade(QSqlDatabase &db)
{
    // Read first without a lock: the common case, a database that is up to
    // date, must not wait for a program that is writing to it.
    if (readVersion(db) >= latestVersion())
        return false;
    run(db, PlayerSql::beginWriting());
    try {
        const int version = readVersion(db); // another program may have upgraded meanwhile
        if (version >= latestVersion() || !hasPlayerTable(db)) {
            run(db, PlayerSql::rollback());
            return false;
        }
        runSectionsAfter(db, version);
        run(db, PlayerSql::commit());
    } catch (...) {
        QSqlQuery(db).exec(PlayerSql::rollback());
        throw;
    }
    return true;
}

} // namespace DatabaseSchema
