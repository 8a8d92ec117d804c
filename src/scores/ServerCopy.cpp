#include "scores/ServerCopy.h"

#include "common/RankholdError.h"
#include "scores/ServerConnection.h"
#include "scores/ServerWatchdog.h"

#include <libpq-fe.h>

using namespace Qt::StringLiterals;

namespace {

// Sent whenever this much is waiting: large enough for few system calls.
constexpr qsizetype kSendAt = 256 * 1024;

// A text value in COPY's text format: the separators and the escape
// character itself escaped.
void appendText(QByteArray &out, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

void appendValue(QByteArray &out, const QVariant &value)
{
    // A null text is NULL, as the driver binds it.
    const bool nullText =
        value.typeId() == QMetaType::QString && static_cast<const QString *>(value.constData())->isNull();
    if (value.isNull() || nullText) {
        out += "\\N";
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Double:
        // As many digits as give the same double back.
        out += QByteArray::number(value.toDouble(), 'g', 17);
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
        out += QByteArray::number(value.toLongLong());
        break;
    default:
        appendText(out, value.toString());
    }
}

} // namespace

ServerCopy::ServerCopy(QSqlDatabase db, const QString &copy, bool keep)
    : m_connection(libpqConnection(db)), m_keep(keep)
{
    if (!m_connection)
        throw RankholdError(u"The copy needs a connection to a PostgreSQL server"_s);
    PGresult *result = PQexec(m_connection, copy.toUtf8().constData());
    const bool started = PQresultStatus(result) == PGRES_COPY_IN;
    PQclear(result);
    if (!started)
        fail();
    m_open = true;
    m_buffer.reserve(kSendAt + 4096);
}

ServerCopy::~ServerCopy()
{
    if (!m_open)
        return;
    // Abandoned: the server refuses the copy, and the transaction with it.
    if (PQputCopyEnd(m_connection, "abandoned") == 1) {
        while (PGresult *result = PQgetResult(m_connection))
            PQclear(result);
    }
}

void ServerCopy::add(const QVariant *values, qsizetype count)
{
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0)
            m_buffer += '\t';
        appendValue(m_buffer, values[i]);
    }
    m_buffer += '\n';
    ++m_rows;
    if (m_buffer.size() >= kSendAt)
        send();
}

void ServerCopy::addEncoded(const QByteArray &rows, qint64 count)
{
    send();
    for (qsizetype at = 0; at < rows.size(); at += kSendAt) {
        m_buffer = rows.mid(at, kSendAt);
        send();
    }
    m_rows += count;
}

void ServerCopy::send()
{
    if (m_buffer.isEmpty())
        return;
    if (PQputCopyData(m_connection, m_buffer.constData(), int(m_buffer.size())) != 1)
        fail();
    if (m_keep)
        m_kept += m_buffer;
    m_buffer.clear();
}

void ServerCopy::finish()
{
    send();
    m_open = false;
    if (PQputCopyEnd(m_connection, nullptr) != 1)
        fail();
    bool ok = true;
    QByteArray state;
    while (PGresult *result = PQgetResult(m_connection)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK) {
            ok = false;
            if (const char *code = PQresultErrorField(result, PG_DIAG_SQLSTATE))
                state = code;
        }
        PQclear(result);
    }
    if (!ok)
        fail(state);
}

void ServerCopy::fail(const QByteArray &state)
{
    m_open = false;
    QString message = QString::fromUtf8(PQerrorMessage(m_connection)).trimmed();
    if (message.isEmpty())
        message = u"The server did not take the copy"_s;
    constexpr char kUniqueViolation[] = "23505";
    if (state == kUniqueViolation)
        throw KeyStored(message);
    throw RankholdError(serverwatchdog::explained(message));
}
