#include "scores/SqliteInsert.h"

#include <QSqlDriver>
#include <sqlite3.h>

using namespace Qt::StringLiterals;

std::unique_ptr<SqliteInsert> SqliteInsert::prepare(const QSqlDatabase &db, const QString &sql, QSqlError *error)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
    if (!connection)
        return nullptr;
    sqlite3_stmt *statement = nullptr;
    const int code = sqlite3_prepare16_v2(connection, sql.utf16(), int(sql.size() * 2), &statement, nullptr);
    std::unique_ptr<SqliteInsert> insert(new SqliteInsert(connection, statement));
    if (code != SQLITE_OK) {
        *error = insert->lastError(code);
        return nullptr;
    }
    return insert;
}

SqliteInsert::~SqliteInsert()
{
    sqlite3_finalize(m_statement);
}

bool SqliteInsert::run(const QVariantList &values, QSqlError *error)
{
    sqlite3_reset(m_statement);
    int code = SQLITE_OK;
    for (int i = 0; i < values.size() && code == SQLITE_OK; ++i) {
        const QVariant &value = values.at(i);
        if (value.isNull()) {
            code = sqlite3_bind_null(m_statement, i + 1);
            continue;
        }
        switch (value.typeId()) {
        case QMetaType::Double:
            code = sqlite3_bind_double(m_statement, i + 1, value.toDouble());
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
            code = sqlite3_bind_int64(m_statement, i + 1, value.toLongLong());
            break;
        case QMetaType::QString: {
            // A null text is NULL, an empty one '', as Qt binds them.
            const QString *text = static_cast<const QString *>(value.constData());
            if (text->isNull()) {
                code = sqlite3_bind_null(m_statement, i + 1);
                break;
            }
            code = sqlite3_bind_text16(m_statement, i + 1, text->utf16(), int(text->size() * 2), SQLITE_STATIC);
            break;
        }
        default: {
            const QString text = value.toString();
            code = sqlite3_bind_text16(m_statement, i + 1, text.utf16(), int(text.size() * 2), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (code == SQLITE_OK)
        code = sqlite3_step(m_statement);
    if (code == SQLITE_DONE) {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
        return true;
    }
    *error = lastError(code);
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    return false;
}

int SqliteInsert::rowsInserted() const
{
    return sqlite3_changes(m_db);
}

QSqlError SqliteInsert::lastError(int code) const
{
    const auto *message = static_cast<const char16_t *>(sqlite3_errmsg16(m_db));
    return QSqlError(u"Unable to fetch row"_s, QString::fromUtf16(message), QSqlError::StatementError,
                     QString::number(code));
}
