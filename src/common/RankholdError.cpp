#include "common/RankholdError.h"

using namespace Qt::StringLiterals;

QString standardErrorText(const QString &message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

QString cutForMessage(const QString &value)
{
    constexpr qsizetype kShown = 60;
    if (value.size() <= kShown)
        return value;
    return value.left(kShown) + u"[... cut, %1 characters in all]"_s.arg(value.size());
}

void throwListIndexError(qsizetype index)
{
    throw RankholdError(u"List index out of bounds (%1)"_s.arg(index));
}

int strToInt(const QString &text)
{
    // Leading blanks are allowed, trailing ones are not; "$" introduces hex.
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text.at(i) == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text.at(i) == u'0' && (text.at(i + 1) == u'x' || text.at(i + 1) == u'X')) {
        base = 16;
        i += 2;
    }
    const qsizetype digitsStart = i;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const int d = QChar(text.at(i)).digitValue();
        const char16_t c = text.at(i).unicode();
        int digit = -1;
        if (c < 128 && d >= 0)
            digit = d;
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0 || digit >= base)
            break;
        value = value * base + digit;
        if (value > qint64(0x80000000))
            break;
    }
    const qint64 limit = negative ? qint64(0x80000000) : qint64(0x7fffffff);
    if (i != text.size() || i == digitsStart || value > limit)
        throw RankholdError(u"'%1' is not a valid integer value"_s.arg(cutForMessage(text)));
    return int(negative ? -value : value);
}
