#pragma once

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include "common/RankholdError.h"

struct pg_conn;

// PostgreSQL's bulk path on a connection of Qt's driver: rows go to the
// server as one COPY ... FROM STDIN in its text format, many rows to a
// network packet, with no statement and no round trip a row. The copy runs
// in the connection's transaction; until finish() the server has taken
// nothing for good, and a copy left unfinished fails with its transaction.
class ServerCopy
{
public:
    // What finish() throws when a row's key is stored already (a unique
    // index refused it): the copy has stored nothing.
    class KeyStored : public RankholdError
    {
    public:
        using RankholdError::RankholdError;
    };

    // Starts `copy`, a "COPY table (columns) FROM STDIN;"; `keep`: what is
    // sent is kept, to be sent again elsewhere (kept()). Throws
    // RankholdError with the server's words.
    ServerCopy(QSqlDatabase db, const QString &copy, bool keep = false);
    ~ServerCopy();
    ServerCopy(const ServerCopy &) = delete;
    ServerCopy &operator=(const ServerCopy &) = delete;

    // One row: its values in the order of the statement's columns (null,
    // text, whole numbers, doubles). Throws RankholdError.
    void add(const QVariant *values, qsizetype count);
    // Rows as kept() gives them.
    void addEncoded(const QByteArray &rows, qint64 count);
    // Sends the rest and ends the copy. Throws RankholdError.
    void finish();
    qint64 rows() const { return m_rows; }
    // Every row sent so far, in the copy's own format, when kept.
    const QByteArray &kept() const { return m_kept; }

private:
    void send();
    [[noreturn]] void fail(const QByteArray &state = {});

    pg_conn *m_connection = nullptr;
    QByteArray m_buffer;
    QByteArray m_kept;
    qint64 m_rows = 0;
    bool m_open = false;
    bool m_keep = false;
};
