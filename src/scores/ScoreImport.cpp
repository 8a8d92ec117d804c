#include "scores/ScoreImport.h"

#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "common/Rounding.h"
#include "common/TextFiles.h"
#include "platform/Paths.h"
#include "scores/PlayerDatabase.h"
#include "scores/PlayerSql.h"
#include "scores/ScoreReader.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kId = u":Id"_s, kPlayer = u":Player"_s, kKills = u":Kills"_s, kDeaths = u":Deaths"_s, kGame = u":Game"_s,
              kGametype = u":Gametype"_s, kDate = u":Date"_s, kTime = u":Time"_s, kWinner = u":Winner"_s,
              kRatio = u":Ratio"_s;
// The game-type columns in the order of ValueColumn.
const QString kColumnPlaceholders[4] = {u":Score"_s, u":Zonetime"_s, u":Flags"_s, u":Targets"_s};

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
    explicit RowWriter(QSqlDatabase db) : m_db(std::move(db)), m_insert(m_db), m_lookup(m_db)
    {
        if (!m_insert.prepare(PlayerSql::insertRowNamed()))
            throw RankholdError(engineMessage(m_insert.lastError()));
        if (!m_lookup.prepare(PlayerSql::idsWithPrefix()))
            throw RankholdError(engineMessage(m_lookup.lastError()));
        if (!m_db.transaction())
            throw RankholdError(engineMessage(m_db.lastError()));
        m_inTransaction = true;
    }

    ~RowWriter()
    {
        // Reached only when an error leaves the scan: keep the rows before it.
        if (m_inTransaction && !m_db.commit())
            m_db.rollback();
    }

    void commit()
    {
        m_inTransaction = false;
        if (!m_db.commit()) {
            const QString message = engineMessage(m_db.lastError());
            m_db.rollback();
            throw RankholdError(message);
        }
    }

    void add(const ScoreRow &row)
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
        if (!m_bound || row.game != m_game || row.gametype != m_gametype || row.winner != m_winner ||
            row.date != m_date || row.time != m_time || row.column != m_column) {
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

    qint64 added() const { return m_added; }
    qint64 alreadyStored() const { return m_alreadyStored; }

private:
    bool isStored(const ScoreRow &row, const QString &id)
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

void readScoreFile(PlayerDatabase &database, const QString &path, CommandHost &host, ImportResult &result)
{
    result.bytes = readFileBytes(path);
    const QByteArray &bytes = result.bytes;
    const ScoreLines lines(bytes);
    const qsizetype n = lines.size();
    // The bar moves by round(100 / lines) a line; from 201 lines on that
    // rounds to 0 and the bar would never move, so it shows the share of
    // the lines read instead.
    const qint64 step = n > 0 ? roundHalfEven(100.0 / double(n)) : 0;
    const auto progressAt = [step, n](qsizetype line) {
        const qint64 position = step > 0 ? step * qint64(line) : qint64(line) * 100 / qint64(n);
        return int(std::clamp<qint64>(position, 0, 100));
    };
    int shown = -1;
    RowWriter writer(database.connection());
    ScoreReader reader(lines);
    ScoreRow row;
    while (reader.next(row)) {
        const int position = progressAt(reader.position());
        if (position != shown) {
            host.setProgress(position);
            shown = position;
        }
        writer.add(row);
    }
    writer.commit();
    result.stored = writer.added();
    result.alreadyStored = writer.alreadyStored();
}

} // namespace

ImportResult importScoreFile(PlayerDatabase &database, const QString &scoreFile, CommandHost &host)
{
    ImportResult result;
    if (!database.isTableOpen())
        database.openTable();
    if (!platform::fileExists(scoreFile))
        return result;
    result.found = true;
    host.setActivityText(u"Importing Scores.txt"_s);
    host.repaintStatus();

    readScoreFile(database, scoreFile, host, result);

    host.setActivityText(kIdle);
    RankingQuery &flags = database.dataSet(2);
    flags.close();
    flags.open();
    return result;
}

void archiveScoreFile(const QString &scoreFile, const ImportResult &imported, const ProgramFolder &folder)
{
    // The game may have appended a block while the export and upload ran:
    // archiving the file then would put rows in the archive that were never
    // imported. Leave it; the next import adds only the new rows.
    try {
        if (readFileBytes(scoreFile) != imported.bytes)
            return;
    } catch (const RankholdError &) {
        return; // in use or gone: nothing to archive now
    }
    const QString archive = folder.archiveFolder();
    platform::makeDirectory(archive);
    for (int n = 1; n > 0; ++n) {
        const QString target = platform::joinPath(archive, u"scores."_s + QString::number(n));
        if (platform::fileExists(target) || platform::directoryExists(target))
            continue;
        if (platform::moveFileNoReplace(scoreFile, target))
            return;
        // The name was taken in the meantime: try the next one. Any other
        // failure (file in use or gone) leaves the file for the next import.
        if (!platform::fileExists(scoreFile) || !(platform::fileExists(target) || platform::directoryExists(target)))
            return;
    }
}
