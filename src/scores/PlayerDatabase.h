#pragma once

#include "platform/FileLock.h"
#include "scores/DatabaseLocation.h"
#include "scores/RankingQuery.h"

#include <QSqlDatabase>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QSqlError;
class QSqlQuery;

// The database connection (Connection1) with its row sets: the table
// "player" (DataSet1) and the ranking queries DataSet2 (flags), DataSet3
// (kills; its row count is the number of players), DataSet4 (zone time),
// DataSet5 (targets), DataSet6 (best ratio) and DataSet7 (deaths).
//
// The engine is SQLite with the file Rankhold.mdb, or a PostgreSQL server
// (see DatabaseLocation). The program never creates the database: opening a
// file that does not exist, or that is not a database, fails with the
// engine's message. Opening a database of an earlier schema version
// upgrades it (DatabaseSchema).
//
// While the connection to a file is open the file is held with a shared
// lock (see DatabaseInUse), which keeps a compaction by another program from
// replacing it; a file replaced all the same (restored from a copy, say) is
// noticed at the next command, which reopens the connection on it.
class PlayerDatabase
{
public:
    PlayerDatabase();
    ~PlayerDatabase();
    PlayerDatabase(const PlayerDatabase &) = delete;
    PlayerDatabase &operator=(const PlayerDatabase &) = delete;

    // Where the database is; replaces the previous one, closing the
    // connection first.
    void setLocation(const DatabaseLocation &location);
    const DatabaseLocation &location() const { return m_location; }
    SqlEngine engine() const { return m_location.engine; }
    // The database file (ProgramFolder + "/Rankhold.mdb"): setLocation() of a file.
    void setFileName(const QString &path) { setLocation(fileDatabase(path)); }
    // The file; empty for a database on a server.
    const QString &fileName() const { return m_location.file; }

    bool isOpen() const { return m_open; }
    // Opens the connection. Throws RankholdError with the engine's message
    // (missing, locked or damaged file); the state is unchanged then.
    void open();
    // Closes every row set and the connection. Rows already stored stay stored.
    void close();
    // Told after every opening (true) and closing (false) of the connection,
    // whatever caused it: the owner keeps status panel 0 in step with it.
    void setConnectionListener(std::function<void(bool open)> listener) { m_listener = std::move(listener); }

    // DataSet1, the table: opening opens the connection when it is closed.
    bool isTableOpen() const { return m_tableOpen; }
    void openTable();
    void closeTable() { m_tableOpen = false; }
    // Rows of the whole table (the table must be open).
    qint64 tableRecordCount();
    // Distinct players, of those that pass `filters` when they are set.
    qint64 countPlayers(const PlayerSql::Filters &filters);

    // DataSet2..DataSet7 by number.
    RankingQuery &dataSet(int number);
    RankingQuery &rankingQuery(PlayerSql::Ranking ranking);

    // Runs a statement that returns no rows, opening a closed connection first.
    void execute(const PlayerSql::Statement &statement);
    // Runs statements in one transaction: all of them or none.
    void execute(const QList<PlayerSql::Statement> &statements);

    // The size of the database in bytes ("Filesize"): the file's, or the
    // whole database's on a server. Nothing when the file cannot be read.
    // Throws RankholdError with the engine's message for a server.
    std::optional<qint64> storageSize();

    // The open connection, for commands that prepare their own statements
    // (the import). Opens a closed connection first. A connection to a
    // server that no longer answers (restarted, network gone) is closed and
    // made again, so every command starts on a working one.
    QSqlDatabase connection();

private:
    void openFile();
    void openServer();

    QString m_connectionName;
    DatabaseLocation m_location;
    bool m_open = false;
    bool m_tableOpen = false;
    std::function<void(bool)> m_listener;
    std::array<std::unique_ptr<RankingQuery>, 6> m_queries; // DataSet2..DataSet7
    platform::FileLock m_inUse;
};

// The engine's message for a failed statement or connection.
QString engineMessage(const QSqlError &error);
// Prepares `statement` on `query`, binds its values and runs it. Throws
// RankholdError with the engine's message.
void execStatement(QSqlQuery &query, const PlayerSql::Statement &statement);
// Runs `sql` on `db`. Throws RankholdError with the engine's message.
void execSql(QSqlDatabase &db, const QString &sql);
// The first value of the first row `sql` gives. Throws RankholdError with
// the engine's message, also when it gives no row.
QVariant queryValue(QSqlDatabase &db, const QString &sql);
