#include "scores/RankingQuery.h"

#include "common/RankholdError.h"
#include "scores/PlayerDatabase.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

RankingQuery::RankingQuery(PlayerDatabase &database, QString name) : m_database(database), m_name(std::move(name)) {}

RankingQuery::~RankingQuery()
{
    notify(Event::Destroyed);
}

void RankingQuery::setStatement(const PlayerSql::Statement &statement)
{
    m_statement = statement;
}

void RankingQuery::open()
{
    if (m_open)
        return;
    QSqlDatabase db = m_database.connection();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    execStatement(query, m_statement);
    const QSqlRecord record = query.record();
    QStringList names;
    for (int i = 0; i < record.count(); ++i)
        names.append(record.fieldName(i));
    std::vector<QVariantList> rows;
    const int columns = record.count();
    while (query.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row.append(query.value(i));
        rows.push_back(std::move(row));
    }
    if (query.lastError().isValid())
        throw RankholdError(engineMessage(query.lastError()));
    m_fieldNames = std::move(names);
    m_rows = std::move(rows);
    m_position = 0;
    m_open = true;
    notify(Event::Opened);
}

void RankingQuery::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_position = 0;
    notify(Event::Closed);
}

QVariant RankingQuery::value(int field) const
{
    if (eof() || field < 0 || field >= m_fieldNames.size())
        return {};
    return m_rows[size_t(m_position)].at(field);
}

void RankingQuery::notify(Event event)
{
    m_listeners.notify(event);
}
