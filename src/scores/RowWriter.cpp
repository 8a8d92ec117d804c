#include "scores/RowWriter.h"

#include "common/RankholdError.h"
#include "scores/PlayerDatabase.h"
#include "scores/PlayerSql.h"
#include "scores/ServerConnection.h"
#include "scores/ServerCopy.h"

#include <QSqlError>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// PostgreSQL's text holds no NUL character, and its driver would cut the
// text there without a word; a page cannot show one either. Such a row is
// refused on every engine, as a value the engine cannot store, so that the
// same file gives the same rows whichever database it goes into.
void refuseNul(const ScoreRow &row, const QString &id)
{
    for (const QString *text : {&id, &row.game, &row.gametype, &row.winner}) {
        if (text->contains(QChar(0)))
            throw ScoreValueError(u"A NUL character in '%1' cannot be stored in the database"_s.arg(
                cutForMessage(QString(*text).replace(QChar(0), u"\\0"_s))));
    }
}

// Whether the engine might refuse the game-type value of the row: one that
// is not a plain whole number. (SQLite converts what reads as a number, "1e3"
// say; PostgreSQL does not.) computeFigures() has checked the kills and
// deaths and made the zone time.
bool mayBeRefused(const ScoreRow &row, const ScoreFigures &figures)
{
    if (row.column == ValueColumn::None)
        return false;
    QStringView digits = figures.columnValue;
    if (digits.startsWith(u'-') || digits.startsWith(u'+'))
        digits = digits.mid(1);
    return digits.isEmpty() || digits.size() > 18 ||
           !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Whether the engine refused a value of the row for its column (a type it
// cannot convert, a constraint): the score file's fault, not the database's.
bool refusedValue(const QSqlError &error, SqlEngine engine)
{
    if (engine == SqlEngine::PostgreSQL) {
        // SQLSTATE classes 22 (data exception) and 23 (integrity constraint violation).
        const QString state = error.nativeErrorCode();
        return state.startsWith(u"22"_s) || state.startsWith(u"23"_s);
    }
    constexpr int kConstraint = 19, kMismatch = 20; // SQLite's primary result codes
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == kConstraint || code == kMismatch;
}

} // namespace

void RowWriter::PendingRow::toVariants(QVariant *values) const
{
    for (const QString &text : texts)
        *values++ = text;
    *values++ = ratio;
    // A column without a value is NULL.
    for (const QString &column : columns)
        *values++ = column.isNull() ? QVariant() : QVariant(column);
}

RowWriter::RowWriter(QSqlDatabase db) : m_db(std::move(db)), m_engine(engineOf(m_db)), m_lookup(m_db)
{
    m_mostRows = PlayerSql::mostRowsAStatement(m_engine);
    m_pending.reserve(size_t(m_mostRows));
    m_cells.reserve(size_t(m_mostRows) * 14);
    m_inserts.resize(size_t(m_mostRows) + 1);
    m_sqliteInserts.resize(size_t(m_mostRows) + 1);
    if (!m_lookup.prepare(PlayerSql::idsWithPrefix()))
        throw RankholdError(engineMessage(m_lookup.lastError()));
    if (m_engine == SqlEngine::SQLite) {
        QSqlError error;
        m_sqliteLookup = SqliteStatement::prepare(m_db, PlayerSql::idsWithPrefix(), &error);
    }
    settle(PlayerSql::importSettings(m_engine));
    if (!m_db.transaction()) {
        settle(PlayerSql::afterImportSettings(m_engine));
        throw RankholdError(engineMessage(m_db.lastError()));
    }
    m_inTransaction = true;
    for (const QString &lock : PlayerSql::lockWriters(m_engine))
        run(lock);
}

RowWriter::~RowWriter()
{
    // Reached only when an error leaves the scan: keep the rows before it.
    if (m_inTransaction) {
        try {
            moveStaged();
            store();
        } catch (const RankholdError &) {
            // Already said by the error that left; what was stored before stays.
        }
        if (m_inTransaction && !m_db.commit())
            m_db.rollback();
    }
    settle(PlayerSql::afterImportSettings(m_engine));
}

void RowWriter::settle(const QStringList &settings)
{
    // Only the speed of the import depends on them.
    for (const QString &setting : settings)
        QSqlQuery(m_db).exec(setting);
}

void RowWriter::commit()
{
    moveStaged();
    store();
    m_inTransaction = false;
    if (!m_db.commit()) {
        const QString message = engineMessage(m_db.lastError());
        m_db.rollback();
        if (m_engine == SqlEngine::PostgreSQL)
            throw RankholdError(u"The import could not be committed, so its rows may not be stored (%1); the score "
                                "file stays, and the next import stores whatever is missing"_s.arg(message));
        throw RankholdError(message);
    }
}

void RowWriter::failed(const QSqlError &error)
{
    failed(engineMessage(error));
}

void RowWriter::failed(const QString &message)
{
    // SQLite goes on with its transaction: the rows before are committed.
    if (m_engine != SqlEngine::PostgreSQL)
        throw RankholdError(message);
    m_inTransaction = false;
    m_pending.clear();
    m_pendingRows = 0;
    m_staging.reset();
    if (m_db.isOpen())
        m_db.rollback();
    const QString what = serverAnswers(m_db) ? u"The database failed in the middle of the import"_s
                                             : u"The connection to the database was lost in the middle of the import"_s;
    throw RankholdError(what +
                        u", which was rolled back as a whole: nothing of the score file is stored, and it stays for "
                        "the next import ("_s +
                        message + u')');
}

void RowWriter::run(const QString &sql)
{
    QSqlQuery query(m_db);
    if (!query.exec(sql))
        failed(query.lastError());
}

void RowWriter::add(const ScoreRow &row)
{
    const QString id = row.id();
    // Whether a row can be stored depends on its own texts alone, never on
    // what the database holds already: a stored row is checked as a new one
    // is, so a block fails, or does not, whichever import reads it.
    const ScoreFigures figures = computeFigures(row);
    refuseNul(row, id);
    // A value the engine might refuse is put to the engine even when its key
    // is stored (the insert then adds nothing), for the same reason.
    const bool alone = mayBeRefused(row, figures);
    // On a server the insert leaves out what is stored, for all rows at
    // once; in the file a look-up a block saves the inserts of a file read again.
    if (!alone && m_engine == SqlEngine::SQLite && isStored(row, id)) {
        ++m_alreadyStored;
        return;
    }
    PendingRow pending{{id, row.player, row.kills, row.deaths, row.game, row.gametype, row.date, row.time, row.winner},
                       figures.ratio,
                       {}};
    if (row.column != ValueColumn::None)
        pending.columns[int(row.column) - 1] = figures.columnValue;
    if (m_engine == SqlEngine::PostgreSQL && !alone) {
        QVariant values[14];
        pending.toVariants(values);
        stage(row, values);
        return;
    }
    if (alone) {
        moveStaged();
        store();
    }
    m_pending.push_back(std::move(pending));
    ++m_pendingRows;
    // A second row of the same key in the file (a block written twice) is
    // left out by the insert, as one stored before.
    if (alone || m_pendingRows == m_mostRows)
        store(alone);
}

void RowWriter::stage(const ScoreRow &row, const QVariant *values)
{
    try {
        if (!m_staging) {
            // A file whose first rows are stored (one read again, a file the
            // game holds open) goes the staged way from the start; any
            // other straight into `player`, the other way only after a key
            // turned out to be stored.
            if (m_copyMode == CopyMode::Undecided)
                m_copyMode = isStored(row, row.id()) ? CopyMode::Staged : CopyMode::Direct;
            if (m_copyMode == CopyMode::Direct) {
                run(PlayerSql::savepoint());
                m_staging = std::make_unique<ServerCopy>(m_db, PlayerSql::copyIntoPlayer(), true);
            } else {
                run(PlayerSql::makeImportStaging());
                m_staging = std::make_unique<ServerCopy>(m_db, PlayerSql::copyIntoImportStaging());
            }
        }
        m_staging->add(values, 14);
    } catch (const RankholdError &e) {
        failed(e.message());
    }
    // Kept for sending again, the direct copy is ended now and then.
    if (m_copyMode == CopyMode::Direct && m_staging->kept().size() >= kDirectCopyBytes)
        moveStaged();
}

void RowWriter::moveStaged()
{
    if (!m_staging)
        return;
    const qint64 rows = m_staging->rows();
    if (m_copyMode == CopyMode::Direct) {
        try {
            m_staging->finish();
            m_staging.reset();
            run(PlayerSql::releaseSavepoint());
            m_added += rows;
            return;
        } catch (const ServerCopy::KeyStored &) {
            // A key of the file is stored already: the same rows again,
            // through the staging table, which leaves such rows out.
            run(PlayerSql::rollbackToSavepoint());
            const QByteArray sent = m_staging->kept();
            m_staging.reset();
            m_copyMode = CopyMode::Staged;
            try {
                run(PlayerSql::makeImportStaging());
                m_staging = std::make_unique<ServerCopy>(m_db, PlayerSql::copyIntoImportStaging());
                m_staging->addEncoded(sent, rows);
            } catch (const RankholdError &e) {
                failed(e.message());
            }
        } catch (const RankholdError &e) {
            failed(e.message());
        }
    }
    try {
        m_staging->finish();
    } catch (const RankholdError &e) {
        failed(e.message());
    }
    m_staging.reset();
    QSqlQuery insert(m_db);
    if (!insert.exec(PlayerSql::insertFromImportStaging()))
        failed(insert.lastError());
    const qint64 inserted = insert.numRowsAffected();
    run(PlayerSql::emptyImportStaging());
    // A row another importer stored first, or one of the same file, is left out.
    m_added += inserted;
    m_alreadyStored += rows - inserted;
}

QSqlQuery &RowWriter::insertStatement(int rows)
{
    std::unique_ptr<QSqlQuery> &statement = m_inserts[size_t(rows)];
    if (!statement) {
        statement = std::make_unique<QSqlQuery>(m_db);
        if (!statement->prepare(PlayerSql::insertRows(rows)))
            failed(statement->lastError());
    }
    return *statement;
}

bool RowWriter::runInsert(int rows, int *inserted, QSqlError *error)
{
    if (m_engine == SqlEngine::SQLite) {
        std::unique_ptr<SqliteStatement> &native = m_sqliteInserts[size_t(rows)];
        if (!native) {
            native = SqliteStatement::prepare(m_db, PlayerSql::insertRows(rows), error);
            if (!native)
                failed(error->isValid() ? *error : QSqlError(u"The insert could not be prepared"_s, {}));
        }
        m_cells.clear();
        for (const PendingRow &row : m_pending) {
            for (const QString &text : row.texts)
                m_cells.push_back(SqliteStatement::Value::textOf(text));
            m_cells.push_back(SqliteStatement::Value::realOf(row.ratio));
            for (const QString &column : row.columns)
                m_cells.push_back(SqliteStatement::Value::textOf(column));
        }
        const bool ran = native->run(m_cells, error);
        *inserted = ran ? native->rowsInserted() : 0;
        return ran;
    }
    QSqlQuery &insert = insertStatement(rows);
    int at = 0;
    for (const PendingRow &row : m_pending) {
        QVariant values[14];
        row.toVariants(values);
        for (const QVariant &value : values)
            insert.bindValue(at++, value);
    }
    const bool ran = insert.exec();
    *error = insert.lastError();
    *inserted = ran ? insert.numRowsAffected() : 0;
    return ran;
}

void RowWriter::store(bool alone)
{
    if (m_pendingRows == 0)
        return;
    const int rows = m_pendingRows;
    const bool guarded = alone && m_engine == SqlEngine::PostgreSQL;
    if (guarded)
        run(PlayerSql::savepoint());
    int inserted = 0;
    QSqlError error;
    const bool ran = runInsert(rows, &inserted, &error);
    m_pending.clear();
    m_pendingRows = 0;
    if (!ran) {
        // A row stored alone and refused for its value damages its block
        // only: the transaction goes on (SQLite's by itself, PostgreSQL's
        // from the savepoint) with the blocks after it.
        const bool refused = alone && refusedValue(error, m_engine);
        if (!guarded) {
            if (refused)
                throw ScoreValueError(engineMessage(error));
            failed(error);
        }
        QSqlQuery undo(m_db);
        if (!undo.exec(PlayerSql::rollbackToSavepoint()))
            failed(error);
        if (refused)
            throw ScoreValueError(engineMessage(error));
        throw RankholdError(engineMessage(error));
    }
    if (guarded)
        run(PlayerSql::releaseSavepoint());
    // A row another importer stored after this one looked is left out.
    m_added += inserted;
    m_alreadyStored += rows - inserted;
}

bool RowWriter::isStored(const ScoreRow &row, const QString &id)
{
    if (!m_known || row.date != m_knownDate || row.time != m_knownTime) {
        // Rows held back are not found here; should a block of the same
        // date and time come again, the insert leaves its rows out.
        // Keys from "date time " up to, not including, "date time!".
        const QString stamp = row.date + u' ' + row.time;
        const QString from = stamp + u' ', to = stamp + u'!';
        m_stored.clear();
        if (m_sqliteLookup) {
            QSqlError error;
            if (!m_sqliteLookup->selectTexts({SqliteStatement::Value::textOf(from), SqliteStatement::Value::textOf(to)},
                                             m_stored, &error))
                failed(error);
        } else {
            m_lookup.bindValue(0, from);
            m_lookup.bindValue(1, to);
            if (!m_lookup.exec())
                failed(m_lookup.lastError());
            while (m_lookup.next())
                m_stored.insert(m_lookup.value(0).toString());
            m_lookup.finish();
        }
        m_knownDate = row.date;
        m_knownTime = row.time;
        m_known = true;
    }
    return m_stored.contains(id);
}
