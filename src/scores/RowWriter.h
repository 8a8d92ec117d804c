#pragma once

#include "scores/ScoreReader.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// Appends the new rows of one score file. Everything runs in one transaction
// whose good rows are committed even when a later row fails, so an import
// that stops half-way keeps what it read and a repeat adds only the rest.
//
// Every key of a block begins with its date and time, so the keys already
// stored are fetched once a block, not once a row: a file that is read again
// costs one query a block.
class RowWriter
{
public:
    // Prepares the statements and begins the transaction. Throws RankholdError.
    explicit RowWriter(QSqlDatabase db);
    // Reached without commit() only when an error leaves the import: the
    // rows before it are committed.
    ~RowWriter();
    RowWriter(const RowWriter &) = delete;
    RowWriter &operator=(const RowWriter &) = delete;

    // Stores `row` unless a row with its key is stored already. Throws
    // RankholdError for a value that is not a number or that the engine refuses.
    void add(const ScoreRow &row);
    void commit();

    qint64 added() const { return m_added; }
    qint64 alreadyStored() const { return m_alreadyStored; }

private:
    bool isStored(const ScoreRow &row, const QString &id);

    QSqlDatabase m_db;
    QSqlQuery m_insert;
    QSqlQuery m_lookup;
    bool m_inTransaction = false;
    // The keys stored under one date and time.
    bool m_known = false;
    QString m_knownDate, m_knownTime;
    QSet<QString> m_stored;
    // The block values bound to m_insert.
    bool m_bound = false;
    QString m_game, m_gametype, m_winner, m_date, m_time;
    ValueColumn m_column = ValueColumn::None;
    qint64 m_added = 0;
    qint64 m_alreadyStored = 0;
};
