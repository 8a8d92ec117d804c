#pragma once

#include "scores/DatabaseLocation.h"
#include "scores/ScoreReader.h"
#include "scores/ServerCopy.h"
#include "scores/SqliteStatement.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <memory>
#include <vector>

// Appends the new rows of one score file. Everything runs in one transaction
// whose good rows are committed even when a later row fails, so an import
// that stops half-way keeps what it read and a repeat adds only the rest.
//
// In the file, every key of a block begins with its date and time, so the
// keys already stored are fetched once a block, not once a row: a file that
// is read again costs one query a block; new rows are stored many at a
// time, those of several blocks with one statement. On a server, a round
// trip away, the rows are copied into a staging table of the transaction
// (PostgreSQL's COPY) and moved into `player` with one statement, which
// leaves out what is stored already. The database has the last word either
// way: a row that another importer stored meanwhile is left out by the
// insert itself and counts as stored already.
//
// A row whose game-type value the engine might refuse (one that is not a
// plain whole number, which the game never writes) is stored alone, after
// the rows before it, so that a refusal names that row and leaves the rows
// before it stored. On PostgreSQL, where a refused statement gives up the
// whole transaction, it is stored in a subtransaction of its own. Any other
// failure there (a lost connection above all) rolls the import back as a
// whole, which the error says; the score file stays, and the next import
// stores every row of it.
class RowWriter
{
public:
    // Prepares the statements and begins the transaction. Throws RankholdError.
    explicit RowWriter(QSqlDatabase db);
    // Reached without commit() only when an error leaves the import: the
    // rows before it are stored and committed.
    ~RowWriter();
    RowWriter(const RowWriter &) = delete;
    RowWriter &operator=(const RowWriter &) = delete;

    // Stores `row`, with the rest of its block, unless a row with its key is
    // stored already. Throws ScoreValueError for a value that is not a
    // number or that the engine refuses, after which the writer goes on with
    // the next row it is given; RankholdError for any other failure.
    void add(const ScoreRow &row);
    // Stores the rows not stored yet and commits.
    void commit();

    // The counts of the rows stored (after commit()).
    qint64 added() const { return m_added; }
    qint64 alreadyStored() const { return m_alreadyStored; }

private:
    bool isStored(const ScoreRow &row, const QString &id);
    // Stores the rows held back, with one statement; `alone`: a row whose
    // value the engine might refuse.
    void store(bool alone = false);
    QSqlQuery &insertStatement(int rows);
    // Runs the insert of the rows held back; false with `error` set when
    // the engine refuses it. Returns the rows it inserted in `inserted`.
    bool runInsert(int rows, int *inserted, QSqlError *error);
    void run(const QString &sql);
    // Runs the import's engine settings (PlayerSql::importSettings), whose
    // failure costs only speed.
    void settle(const QStringList &settings);
    // Throws `error`. On PostgreSQL the transaction is gone with it: rolled
    // back, which the error says.
    [[noreturn]] void failed(const QSqlError &error);
    [[noreturn]] void failed(const QString &message);
    // PostgreSQL: copies a row into `player` or into the import's staging
    // table (see CopyMode), and ends that copy, moving what is staged into
    // `player`.
    void stage(const ScoreRow &row, const QVariant *values);
    void moveStaged();

    QSqlDatabase m_db;
    SqlEngine m_engine;
    QSqlQuery m_lookup;
    std::unique_ptr<SqliteStatement> m_sqliteLookup;               // the same on SQLite
    std::vector<std::unique_ptr<QSqlQuery>> m_inserts;             // by the number of rows
    std::vector<std::unique_ptr<SqliteStatement>> m_sqliteInserts; // the same on SQLite
    int m_mostRows = 0;
    bool m_inTransaction = false;
    // The keys stored under one date and time.
    bool m_known = false;
    QString m_knownDate, m_knownTime;
    QSet<QString> m_stored;
    // A row held back, its values in the column order of PlayerSql::insertColumns().
    struct PendingRow {
        QString texts[9]; // Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner
        double ratio = 0;
        QString columns[4]; // Score, Zonetime, Flags, Targets; a null text is NULL
        // The fourteen values as the driver binds them.
        void toVariants(QVariant *values) const;
    };
    std::vector<PendingRow> m_pending;
    std::vector<SqliteStatement::Value> m_cells; // of the rows held back, for SQLite
    int m_pendingRows = 0;
    // Straight into `player`, in a subtransaction, while no key of the file
    // is stored: the fastest way, but a single stored key fails the whole
    // copy, whose rows then go through the staging table, and so does
    // everything after them.
    enum class CopyMode { Undecided, Direct, Staged };
    static constexpr qsizetype kDirectCopyBytes = qsizetype(32) << 20;
    CopyMode m_copyMode = CopyMode::Undecided;
    std::unique_ptr<ServerCopy> m_staging;
    qint64 m_added = 0;
    qint64 m_alreadyStored = 0;
};
