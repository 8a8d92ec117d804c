#include "scores/ScoreImport.h"

#include "core/RankholdError.h"
#include "core/Rounding.h"
#include "core/TextFiles.h"
#include "platform/Paths.h"
#include "scores/DatabaseInfo.h"
#include "scores/PlayerDatabase.h"
#include "scores/PlayerSql.h"
#include "scores/ScoreReader.h"

#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Appends the new rows of one score file. Everything runs in one transaction
// whose good rows are committed even when a later row fails, so an import
// that stops half-way keeps what it read and a repeat adds only the rest.
class RowWriter
{
public:
    explicit RowWriter(QSqlDatabase db) : m_db(std::move(db)), m_insert(m_db), m_lookup(m_db)
    {
        if (!m_insert.prepare(PlayerSql::insertRowIfNew()))
            throw RankholdError(engineMessage(m_insert.lastError()));
        if (!m_lookup.prepare(PlayerSql::lookupId()))
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
        ScoreFigures figures;
        try {
            figures = computeFigures(row);
        } catch (const RankholdError &) {
            // A row already stored is skipped before its numbers are read.
            if (exists(id))
                return;
            throw;
        }
        const QVariant none;
        m_insert.bindValue(0, id);
        m_insert.bindValue(1, row.player);
        m_insert.bindValue(2, row.kills);
        m_insert.bindValue(3, row.deaths);
        m_insert.bindValue(4, row.game);
        m_insert.bindValue(5, row.gametype);
        m_insert.bindValue(6, row.date);
        m_insert.bindValue(7, row.time);
        m_insert.bindValue(8, row.winner);
        m_insert.bindValue(9, figures.ratio);
        const auto column = [&](ValueColumn c) { return row.column == c ? QVariant(figures.columnValue) : none; };
        m_insert.bindValue(10, column(ValueColumn::Score));
        m_insert.bindValue(11, column(ValueColumn::Zonetime));
        m_insert.bindValue(12, column(ValueColumn::Flags));
        m_insert.bindValue(13, column(ValueColumn::Targets));
        m_insert.bindValue(14, id);
        if (!m_insert.exec())
            throw RankholdError(engineMessage(m_insert.lastError()));
    }

private:
    bool exists(const QString &id)
    {
        m_lookup.bindValue(0, id);
        if (!m_lookup.exec())
            throw RankholdError(engineMessage(m_lookup.lastError()));
        const bool found = m_lookup.next();
        m_lookup.finish();
        return found;
    }

    QSqlDatabase m_db;
    QSqlQuery m_insert;
    QSqlQuery m_lookup;
    bool m_inTransaction = false;
};

void readScoreFile(PlayerDatabase &database, const QString &path, CommandHost &host)
{
    const ScoreLines lines(readFileBytes(path));
    const qsizetype n = lines.size();
    const qint64 step = n > 0 ? roundHalfEven(100.0 / double(n)) : 0;
    int shown = -1;
    RowWriter writer(database.connection());
    ScoreReader reader(lines);
    ScoreRow row;
    while (reader.next(row)) {
        const int position = int(std::clamp<qint64>(step * qint64(reader.position()), 0, 100));
        if (position != shown) {
            host.setProgress(position);
            shown = position;
        }
        writer.add(row);
    }
    writer.commit();
}

void archiveScoreFile(const QString &scoreFile, const QString &programFolder)
{
    const QString archive = platform::joinPath(programFolder, u"oldscores"_s);
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

} // namespace

bool importScores(PlayerDatabase &database, const QString &gameFolder, const QString &programFolder, CommandHost &host,
                  const std::function<void()> &afterImport)
{
    if (!database.isTableOpen())
        database.openTable();
    const QString scoreFile = platform::joinPath(gameFolder, u"scores.txt"_s);
    if (!platform::fileExists(scoreFile))
        return false;
    host.setActivityText(u"Importing Scores.txt"_s);
    host.repaintStatus();

    readScoreFile(database, scoreFile, host);

    host.setActivityText(kIdle);
    RankingQuery &flags = database.dataSet(2);
    flags.close();
    flags.open();
    UpdateDBInfo(database, host);
    host.setProgress(0);

    if (afterImport)
        afterImport();
    archiveScoreFile(scoreFile, programFolder);
    return true;
}
