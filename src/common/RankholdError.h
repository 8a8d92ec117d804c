#pragma once

#include <QString>
#include <exception>

// Every failure that ends a command travels as this exception (or a subclass)
// and is shown by the standard error box with its message.
class RankholdError : public std::exception
{
public:
    explicit RankholdError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The message of the standard error box: a full stop is appended when the
// last character sorts after the full stop.
QString standardErrorText(const QString &message);

// "List index out of bounds (%d)"
[[noreturn]] void throwListIndexError(qsizetype index);
// Whole-number conversion with the strict rules of the settings and score
// files: optional sign, decimal digits (or $hex), nothing else. Throws
// "'%s' is not a valid integer value".
int strToInt(const QString &text);
