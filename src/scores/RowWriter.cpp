#include "scores/RowWriter.h"

#include "common/RankholdError.h"
#include "scores/PlayerDatabase.h"
#include "scores/PlayerSql.h"

#include <QSqlError>

using namespace Qt::StringLiterals;

namespace {

const QString kId = u":Id"_s, kPlayer = u":Player"_s, kKills = u":Kills"_s, kDeaths = u":Deaths"_s, kGame = u":Game"_s,
              kGametype = u":Gametype"_s, kDate = u":Date"_s, kTime = u":Time"_s, kWinner = u":Winner"_s,
              kRatio = u":Ratio"_s;
// The game-type columns in the order of ValueColumn.
const QString kColumnPlaceholders[4] = {u":Score"_s, u":Zonetime"_s, u":Flags"_s, u":Targets"_s};

} // namespace

RowWriter::RowWriter(QSqlDatabase db) : m_db(std::move(db)), m_insert(m_db), m_lookup(m_db)
{
    if (!m_insert.prepare(PlayerSql::insertRowNamed()))
        throw RankholdError(engineMessage(m_insert.lastError()));
    if (!m_lookup.prepare(PlayerSql::idsWithPrefix()))
        throw RankholdError(engineMessage(m_lookup.lastError()));
    if (!m_db.transaction())
        throw RankholdError(engineMessage(m_db.lastError()));
    m_inTransaction = true;
}

RowWriter::~RowWriter()
{
    // Reached only when an error leaves the scan: keep the rows before it.
    if (m_inTransaction && !m_db.commit())
        m_db.rollback();
}

void RowWriter::commit()
{
    m_inTransaction = false;
    if (!m_db.commit()) {
        const QString message = engineMessage(m_db.lastError());
        m_db.rollback();
        throw RankholdError(message);
    }
}

void RowWriter::add(const ScoreRow &row)
{
    const QString id = row.id();
    // A row already stored is skipped before its numbers are read.
    if (isStored(row, id)) {
        ++m_alreadyStored;
        return;
    }
    const ScoreFigures figures = computeFigures(row);
    // Bound values stay bound from one row to the next: the values of the
    // block are bound again only when the block changes.
    if (!m_bound || row.game != m_game || row.gametype != m_gametype || row.winner != m_winner || row.date != m_date ||
        row.time != m_time || row.column != m_column) {
        m_bound = true;
        m_game = row.game;
        m_gametype = row.gametype;
        m_winner = row.winner;
        m_date = row.date;
        m_time = row.time;
        m_column = row.column;
        m_insert.bindValue(kGame, m_game);
        m_insert.bindValue(kGametype, m_gametype);
        m_insert.bindValue(kDate, m_date);
        m_insert.bindValue(kTime, m_time);
        m_insert.bindValue(kWinner, m_winner);
        for (const QString &column : kColumnPlaceholders)
            m_insert.bindValue(column, QVariant());
    }
    m_insert.bindValue(kId, id);
    m_insert.bindValue(kPlayer, row.player);
    m_insert.bindValue(kKills, row.kills);
    m_insert.bindValue(kDeaths, row.deaths);
    m_insert.bindValue(kRatio, figures.ratio);
    if (row.column != ValueColumn::None)
        m_insert.bindValue(kColumnPlaceholders[int(row.column) - 1], figures.columnValue);
    if (!m_insert.exec())
        throw RankholdError(engineMessage(m_insert.lastError()));
    m_stored.insert(id);
    ++m_added;
}

bool RowWriter::isStored(const ScoreRow &row, const QString &id)
{
    if (!m_known || row.date != m_knownDate || row.time != m_knownTime) {
        // Keys from "date time " up to, not including, "date time!".
        const QString stamp = row.date + u' ' + row.time;
        m_lookup.bindValue(0, QString(stamp + u' '));
        m_lookup.bindValue(1, QString(stamp + u'!'));
        if (!m_lookup.exec())
            throw RankholdError(engineMessage(m_lookup.lastError()));
        m_stored.clear();
        while (m_lookup.next())
            m_stored.insert(m_lookup.value(0).toString());
        m_lookup.finish();
        m_knownDate = row.date;
        m_knownTime = row.time;
        m_known = true;
    }
    return m_stored.contains(id);
}
