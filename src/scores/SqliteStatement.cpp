#include "scores/SqliteStatement.h"

#include <QSqlDriver>
#include <QStringEncoder>
#include <sqlite3.h>

#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// The connection under a Qt one, or null when it is not SQLite's.
sqlite3 *connectionOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

} // namespace

void SqliteStatement::releaseCache(const QSqlDatabase &db)
{
    if (sqlite3 *connection = connectionOf(db))
        sqlite3_db_release_memory(connection);
}

std::unique_ptr<SqliteStatement> SqliteStatement::prepare(const QSqlDatabase &db, const QString &sql, QSqlError *error)
{
    sqlite3 *connection = connectionOf(db);
    if (!connection)
        return nullptr;
    return prepareOn(connection, sql, error);
}

std::unique_ptr<SqliteStatement> SqliteStatement::prepareOn(sqlite3 *connection, const QString &sql, QSqlError *error)
{
    sqlite3_stmt *statement = nullptr;
    const int code = sqlite3_prepare16_v2(connection, sql.utf16(), int(sql.size() * 2), &statement, nullptr);
    std::unique_ptr<SqliteStatement> insert(new SqliteStatement(connection, statement));
    if (code != SQLITE_OK) {
        *error = insert->lastError(code);
        return nullptr;
    }
    return insert;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

int SqliteStatement::bind(const std::vector<Value> &values)
{
    // Every text into one buffer first, so that it stays where it is while bound.
    QStringEncoder toUtf8(QStringEncoder::Utf8);
    qsizetype room = 0;
    for (const Value &value : values) {
        if (value.kind == Value::Kind::Text)
            room += toUtf8.requiredSpace(value.text->size());
    }
    m_texts.resize(room);
    m_spans.clear();
    char *end = m_texts.data();
    for (const Value &value : values) {
        char *start = end;
        if (value.kind == Value::Kind::Text)
            end = toUtf8.appendToBuffer(end, *value.text);
        m_spans.emplace_back(start - m_texts.data(), end - start);
    }

    int code = SQLITE_OK;
    for (size_t i = 0; i < values.size() && code == SQLITE_OK; ++i) {
        const int parameter = int(i) + 1;
        switch (values[i].kind) {
        case Value::Kind::Null:
            code = sqlite3_bind_null(m_statement, parameter);
            break;
        case Value::Kind::Real:
            code = sqlite3_bind_double(m_statement, parameter, values[i].real);
            break;
        case Value::Kind::Integer:
            code = sqlite3_bind_int64(m_statement, parameter, values[i].integer);
            break;
        case Value::Kind::Text:
            code = sqlite3_bind_text(m_statement, parameter, m_texts.constData() + m_spans[i].first,
                                     int(m_spans[i].second), SQLITE_STATIC);
            break;
        }
    }
    return code;
}

bool SqliteStatement::run(const std::vector<Value> &values, QSqlError *error)
{
    int code = bind(values);
    if (code == SQLITE_OK)
        code = sqlite3_step(m_statement);
    // Every parameter is bound again by the next run: no need to clear them.
    if (code == SQLITE_DONE) {
        sqlite3_reset(m_statement);
        return true;
    }
    *error = lastError(code);
    sqlite3_reset(m_statement);
    return false;
}

bool SqliteStatement::selectTexts(const std::vector<Value> &values, QSet<QString> &texts, QSqlError *error)
{
    return selectRows(
        values, [&](const Cells &cells) { texts.insert(cells.text(0)); }, error);
}

SqliteStatement::Cells::Type SqliteStatement::Cells::type(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return Type::Integer;
    case SQLITE_FLOAT:
        return Type::Real;
    case SQLITE_BLOB:
        return Type::Blob;
    case SQLITE_NULL:
        return Type::Null;
    default:
        return Type::Text;
    }
}

qint64 SqliteStatement::Cells::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double SqliteStatement::Cells::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

QString SqliteStatement::Cells::textInPlace(int column) const
{
    const auto *text = static_cast<const QChar *>(sqlite3_column_text16(m_statement, column));
    if (!text)
        return {};
    return QString::fromRawData(text, sqlite3_column_bytes16(m_statement, column) / 2);
}

QString SqliteStatement::Cells::text(int column) const
{
    const QString inPlace = textInPlace(column);
    return QString(inPlace.constData(), inPlace.size());
}

std::string_view SqliteStatement::Cells::utf8(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
    if (!text)
        return {};
    return {text, size_t(sqlite3_column_bytes(m_statement, column))};
}

QVariant SqliteStatement::Cells::value(int column) const
{
    switch (type(column)) {
    case Type::Integer:
        return qlonglong(integer(column));
    case Type::Real:
        return real(column);
    case Type::Blob:
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(m_statement, column)),
                          sqlite3_column_bytes(m_statement, column));
    case Type::Null:
        return {};
    case Type::Text:
        break;
    }
    return text(column);
}

bool SqliteStatement::selectRows(const std::vector<Value> &values, const std::function<void(const Cells &)> &visit,
                                 QSqlError *error)
{
    struct Reset {
        sqlite3_stmt *statement;
        ~Reset() { sqlite3_reset(statement); }
    } reset{m_statement};
    int code = bind(values);
    const Cells cells(m_statement);
    while (code == SQLITE_OK || code == SQLITE_ROW) {
        code = sqlite3_step(m_statement);
        if (code == SQLITE_ROW)
            visit(cells);
    }
    if (code == SQLITE_DONE)
        return true;
    *error = lastError(code);
    return false;
}

int SqliteStatement::rowsInserted() const
{
    return sqlite3_changes(m_db);
}

QSqlError SqliteStatement::lastError(int code) const
{
    const auto *message = static_cast<const char16_t *>(sqlite3_errmsg16(m_db));
    return QSqlError(u"Unable to fetch row"_s, QString::fromUtf16(message), QSqlError::StatementError,
                     QString::number(code));
}

std::unique_ptr<SqliteReader> SqliteReader::besideReadOf(const QSqlDatabase &db)
{
    sqlite3 *connection = connectionOf(db);
    if (!connection || sqlite3_txn_state(connection, "main") != SQLITE_TXN_READ)
        return nullptr;
    const char *file = sqlite3_db_filename(connection, "main");
    if (!file || !*file)
        return nullptr;
    QSqlError error;
    const std::unique_ptr<SqliteStatement> mode =
        SqliteStatement::prepareOn(connection, u"PRAGMA main.journal_mode"_s, &error);
    QString journal;
    if (!mode ||
        !mode->selectRows(
            {}, [&](const SqliteStatement::Cells &cells) { journal = cells.text(0); }, &error) ||
        journal.isEmpty() || journal.compare(u"wal"_s, Qt::CaseInsensitive) == 0)
        return nullptr;
    sqlite3 *reader = nullptr;
    const int code =
        sqlite3_open_v2(file, &reader, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE, nullptr);
    if (code != SQLITE_OK) {
        sqlite3_close(reader);
        return nullptr;
    }
    return std::unique_ptr<SqliteReader>(new SqliteReader(reader));
}

SqliteReader::~SqliteReader()
{
    sqlite3_close_v2(m_db);
}

std::unique_ptr<SqliteStatement> SqliteReader::prepare(const QString &sql, QSqlError *error)
{
    return SqliteStatement::prepareOn(m_db, sql, error);
}
