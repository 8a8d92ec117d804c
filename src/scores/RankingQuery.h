#pragma once

#include "common/Listeners.h"
#include "scores/PlayerSql.h"

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <vector>

class PlayerDatabase;

// A read-only query on the player database with a static cursor: opening it
// runs the SQL and keeps every row, so its row count is known at once and
// reopening runs it again against the current table. The ranking data sets
// (DataSet2..DataSet7) are of this kind.
class RankingQuery
{
public:
    enum class Event { Opened, Closed, Destroyed };
    using Listener = std::function<void(Event)>;

    RankingQuery(PlayerDatabase &database, QString name);
    ~RankingQuery();
    RankingQuery(const RankingQuery &) = delete;
    RankingQuery &operator=(const RankingQuery &) = delete;

    const QString &name() const { return m_name; }
    PlayerDatabase &database() const { return m_database; }

    // The text (and bound filter values) that the next open runs; kept until replaced.
    void setStatement(const PlayerSql::Statement &statement);
    const PlayerSql::Statement &statement() const { return m_statement; }

    bool isOpen() const { return m_open; }
    // Opens the connection first when it is closed. Throws RankholdError with the engine's message.
    void open();
    void close();

    qsizetype recordCount() const { return qsizetype(m_rows.size()); }
    // Cursor: on the first row after open; eof() once past the last.
    void first() { m_position = 0; }
    bool eof() const { return !m_open || m_position >= qsizetype(m_rows.size()); }
    void next()
    {
        if (m_position < qsizetype(m_rows.size()))
            ++m_position;
    }
    qsizetype position() const { return m_position; }

    // The result columns: names as the SQL gives them (Player, TotalKills, ...).
    const QStringList &fieldNames() const { return m_fieldNames; }
    // The value of a column in the current row; an invalid/null QVariant for NULL.
    QVariant value(int field) const;

    // Told when the query opens, closes or is destroyed (the table producer's link).
    int addListener(Listener listener) { return m_listeners.add(std::move(listener)); }
    void removeListener(int id) { m_listeners.remove(id); }

private:
    void notify(Event event);

    PlayerDatabase &m_database;
    QString m_name;
    PlayerSql::Statement m_statement;
    bool m_open = false;
    QStringList m_fieldNames;
    std::vector<QVariantList> m_rows;
    qsizetype m_position = 0;
    Listeners<Event> m_listeners;
};
