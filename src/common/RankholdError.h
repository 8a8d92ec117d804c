#pragma once

#include <QString>
#include <exception>

// Every failure that ends a command travels as this exception (or a subclass)
// and is shown by the standard error box with its message.
class RankholdError : public std::exception
{
public:
    // `context`: lines that say where the error happened or what to do about
    // it, shown after the message where there is room for them (a terminal);
    // the error box shows the message alone.
    explicit RankholdError(QString message, QString context = {})
        : m_message(std::move(message)), m_context(std::move(context)), m_utf8(m_message.toUtf8())
    {
    }
    const QString &message() const noexcept { return m_message; }
    const QString &context() const noexcept { return m_context; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QString m_context;
    QByteArray m_utf8;
};

// A value from a file, as an error quotes it: whole up to 60 characters,
// otherwise its first 60 followed by a mark that says how long it was, so a
// hostile file cannot make a message (and the box or log that shows it) huge.
QString cutForMessage(const QString &value);

// The message of the standard error box: a full stop is appended when the
// last character sorts after the full stop.
QString standardErrorText(const QString &message);

// "List index out of bounds (%d)"
[[noreturn]] void throwListIndexError(qsizetype index);
// Whole-number conversion with the strict rules of the settings and score
// files: optional sign, decimal digits (or $hex), nothing else. Throws
// "'%s' is not a valid integer value" (the text cut by cutForMessage).
int strToInt(const QString &text);
