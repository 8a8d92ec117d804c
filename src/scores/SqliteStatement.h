#pragma once

#include <QByteArray>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// One statement of the import run through SQLite's own interface on the
// connection of a QSqlDatabase: the insert, and the look-up of the keys a
// block has stored already. An import binds fourteen values a row: Qt's binding
// costs about a fifth of the whole import, this costs next to nothing. The
// values are bound as Qt binds them (a text as text, a double as a double,
// a null as NULL), so the rows stored are the same, and a failure reads as
// Qt's would. Texts are bound in UTF-8, the database's encoding, all of a
// run from one buffer: bound as UTF-16 (as Qt does), SQLite translated and
// copied every one.
class SqliteStatement
{
public:
    // A value to bind, pointing into the caller's rows: no copy, no variant.
    struct Value {
        enum class Kind { Null, Text, Real, Integer } kind = Kind::Null;
        const QString *text = nullptr;
        double real = 0;
        qint64 integer = 0;
        // A null text is NULL, an empty one '', as Qt binds them.
        static Value textOf(const QString &t) { return t.isNull() ? Value{} : Value{Kind::Text, &t, 0}; }
        static Value realOf(double r) { return {Kind::Real, nullptr, r}; }
        static Value integerOf(qint64 i) { return {Kind::Integer, nullptr, 0, i}; }
    };

    // Null when `db` is not a SQLite connection, or the statement cannot be
    // prepared (`error` says why).
    static std::unique_ptr<SqliteStatement> prepare(const QSqlDatabase &db, const QString &sql, QSqlError *error);
    // Lets go of the pages a SQLite connection holds in its cache (none
    // for another database): after one long read, before work of another kind.
    static void releaseCache(const QSqlDatabase &db);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    // Binds `values` in order and runs the statement. False with `error` set
    // when SQLite refuses it. What `values` point to must live until it returns.
    bool run(const std::vector<Value> &values, QSqlError *error);
    // The rows the last run() inserted (not counting those of triggers).
    int rowsInserted() const;
    // Binds `values` and puts the text of every row's first column into
    // `texts`. False with `error` set when SQLite refuses it.
    bool selectTexts(const std::vector<Value> &values, QSet<QString> &texts, QSqlError *error);

    // The row of a select in hand. Reading a large table through Qt makes a
    // variant and a copy of every value and caches the row; this reads them
    // where SQLite holds them.
    class Cells
    {
    public:
        enum class Type { Integer, Real, Text, Blob, Null }; // SQLite's storage classes
        Type type(int column) const;
        qint64 integer(int column) const;
        double real(int column) const;
        // A text in SQLite's buffer, not copied: valid until the visit of the
        // row returns, and so is every copy of it.
        QString textInPlace(int column) const;
        // The same, copied.
        QString text(int column) const;
        // A text's UTF-8 bytes in SQLite's buffer, valid as textInPlace()'s
        // until the same column is read as text16.
        std::string_view utf8(int column) const;
        // The value as Qt's driver reads it.
        QVariant value(int column) const;

    private:
        friend class SqliteStatement;
        explicit Cells(sqlite3_stmt *statement) : m_statement(statement) {}
        sqlite3_stmt *m_statement;
    };
    // Binds `values` and hands every row to `visit`. False with `error` set
    // when SQLite refuses it; what `visit` throws goes on, the statement reset.
    bool selectRows(const std::vector<Value> &values, const std::function<void(const Cells &)> &visit,
                    QSqlError *error);

private:
    friend class SqliteReader;
    SqliteStatement(sqlite3 *db, sqlite3_stmt *statement) : m_db(db), m_statement(statement) {}
    static std::unique_ptr<SqliteStatement> prepareOn(sqlite3 *connection, const QString &sql, QSqlError *error);
    QSqlError lastError(int code) const;
    // Binds `values` (see run()); SQLite's result code.
    int bind(const std::vector<Value> &values);

    sqlite3 *m_db;
    sqlite3_stmt *m_statement;
    QByteArray m_texts;                                   // the texts of the run in hand, in UTF-8
    std::vector<std::pair<qsizetype, qsizetype>> m_spans; // each value's text in m_texts: start, length
};

// A connection of its own to the database file of a SQLite connection,
// read-only, so that another thread can read part of a long read beside
// it. It sees what that connection sees only while that one holds a read
// transaction on a file kept with a rollback journal: the shared lock keeps
// every writer from committing. So there is none otherwise (nor for a
// database in memory). It never waits for a lock: a read that cannot begin
// at once fails, and the caller reads on its own connection instead.
class SqliteReader
{
public:
    static std::unique_ptr<SqliteReader> besideReadOf(const QSqlDatabase &db);
    ~SqliteReader();
    SqliteReader(const SqliteReader &) = delete;
    SqliteReader &operator=(const SqliteReader &) = delete;

    // Null with `error` set when SQLite refuses it. The statement is used
    // on one thread at a time, that of this reader, and goes before it.
    std::unique_ptr<SqliteStatement> prepare(const QString &sql, QSqlError *error);

private:
    explicit SqliteReader(sqlite3 *db) : m_db(db) {}
    sqlite3 *m_db;
};
