#include "portal/PortalHtml.h"

#include <algorithm>

#include "portal/PortalModel.h"
#include "portal/PortalNames.h"

#include <charconv>
#include <iterator>

using namespace Qt::StringLiterals;

namespace portal::html {

namespace {

const QString kDash = u"\u2013"_s;

template <typename Value, typename... Format> void appendChars(QString &out, Value value, Format... format)
{
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, format...).ptr;
    out += QLatin1StringView(buffer, end - buffer);
}

template <typename Append> QString returned(Append append)
{
    QString out;
    append(out);
    return out;
}

void appendTwoDigits(QString &out, qint64 value)
{
    out += QChar(char16_t(u'0' + value / 10));
    out += QChar(char16_t(u'0' + value % 10));
}

} // namespace

void appendEscaped(QString &out, QStringView text)
{
    // Runs of plain characters go in whole; names rarely hold anything else.
    qsizetype plain = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const char16_t *reference = nullptr;
        switch (c) {
        case u'&':
            reference = u"&amp;";
            break;
        case u'<':
            reference = u"&lt;";
            break;
        case u'>':
            reference = u"&gt;";
            break;
        case u'"':
            reference = u"&quot;";
            break;
        case u'\'':
            reference = u"&#39;";
            break;
        default:
            if (c >= 0x20 && !(c >= 0x7f && c < 0xa0) && !QChar::isNonCharacter(c))
                continue;
            reference = u"\ufffd";
        }
        out += text.sliced(plain, i - plain);
        out += QStringView(reference);
        plain = i + 1;
    }
    out += text.sliced(plain);
}

QString escape(QStringView text)
{
    return returned([&](QString &out) { appendEscaped(out, text); });
}

void appendName(QString &out, QStringView text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1) == u' ')
        --end;
    if (end == 0)
        out += QChar(0x2423);
    else
        appendEscaped(out, text.left(end));
}

QString name(QStringView text)
{
    return returned([&](QString &out) { appendName(out, text); });
}

void appendInteger(QString &out, qint64 value)
{
    appendChars(out, value);
}

QString integer(qint64 value)
{
    return returned([&](QString &out) { appendInteger(out, value); });
}

void appendInteger(QString &out, const std::optional<qint64> &value)
{
    if (value)
        appendChars(out, *value);
    else
        out += kDash;
}

QString integer(const std::optional<qint64> &value)
{
    return returned([&](QString &out) { appendInteger(out, value); });
}

void appendDecimal(QString &out, double value)
{
    appendChars(out, value, std::chars_format::fixed, 2);
}

QString decimal(double value)
{
    return returned([&](QString &out) { appendDecimal(out, value); });
}

void appendDecimal(QString &out, const std::optional<double> &value)
{
    if (value)
        appendDecimal(out, *value);
    else
        out += kDash;
}

QString decimal(const std::optional<double> &value)
{
    return returned([&](QString &out) { appendDecimal(out, value); });
}

double killsPerDeath(qint64 kills, qint64 deaths)
{
    return double(kills) / double(deaths == 0 ? 1 : deaths);
}

void appendDuration(QString &out, const std::optional<qint64> &seconds)
{
    if (!seconds) {
        out += kDash;
        return;
    }
    qint64 s = *seconds;
    if (s < 0) {
        out += u'-';
        s = -s;
    }
    appendChars(out, s / 3600);
    out += u':';
    appendTwoDigits(out, s / 60 % 60);
    out += u':';
    appendTwoDigits(out, s % 60);
}

QString duration(const std::optional<qint64> &seconds)
{
    return returned([&](QString &out) { appendDuration(out, seconds); });
}

void appendLink(QString &out, const QString &href, QStringView text)
{
    out += u"<a href=\"";
    out += href;
    out += u"\">";
    appendName(out, text);
    out += u"</a>";
}

QString link(const QString &href, QStringView text)
{
    return returned([&](QString &out) { appendLink(out, href, text); });
}

QString anchor(const QString &href, const QString &markup)
{
    return u"<a href=\""_s + href + u"\">"_s + markup + u"</a>"_s;
}

namespace {

// `value` as `width` digits after `out`.
char16_t *putDigits(char16_t *out, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char16_t(u'0' + value % 10);
        value /= 10;
    }
    return out + width;
}

} // namespace

void appendTenths(QString &out, quint64 tenths, char16_t sign)
{
    char16_t text[24];
    char16_t *at = std::end(text);
    *--at = char16_t(u'0' + tenths % 10);
    *--at = u'.';
    tenths /= 10;
    do {
        *--at = char16_t(u'0' + tenths % 10);
        tenths /= 10;
    } while (tenths > 0);
    if (sign != 0)
        *--at = sign;
    out += QStringView(at, std::end(text));
}

QString isoDate(const QDate &day)
{
    // The calendar is asked once: each of year(), month() and day() would
    // work the day out of the date's number again.
    int year = 0, month = 0, dayOfMonth = 0;
    day.getDate(&year, &month, &dayOfMonth);
    if (!day.isValid() || year < 0 || year > 9999)
        return day.toString(u"yyyy-MM-dd"_s);
    char16_t text[10];
    char16_t *p = putDigits(text, year, 4);
    *p++ = u'-';
    p = putDigits(p, month, 2);
    *p++ = u'-';
    putDigits(p, dayOfMonth, 2);
    return QString(reinterpret_cast<const QChar *>(text), 10);
}

QString monthAndDay(const QDate &day)
{
    if (!day.isValid())
        return day.toString(u"MM-dd"_s);
    int month = 0, dayOfMonth = 0;
    day.getDate(nullptr, &month, &dayOfMonth);
    char16_t text[5];
    char16_t *p = putDigits(text, month, 2);
    *p++ = u'-';
    putDigits(p, dayOfMonth, 2);
    return QString(reinterpret_cast<const QChar *>(text), 5);
}

QString moment(const QString &date, const QString &time)
{
    const GameMoment m = GameMoment::of(date, time);
    if (!m.isValid())
        return escape(QString(date + u' ' + time));
    // The time is two digits, a colon, ... as read: nothing to escape.
    const QString day = isoDate(m.date);
    return u"<time datetime=\""_s + day + u'T' + time + u"\">"_s + day + u' ' + time + u"</time>"_s;
}

void appendUtf8(QByteArray &out, QStringView text)
{
    constexpr qsizetype kPiece = qsizetype(1) << 16;
    out.reserve(out.size() + text.size()); // pages are mostly ASCII
    while (!text.isEmpty()) {
        qsizetype n = std::min(kPiece, text.size());
        // A pair of surrogates stays together.
        if (n < text.size() && text[n - 1].isHighSurrogate())
            --n;
        out += text.first(n).toUtf8();
        text = text.sliced(n);
    }
}

QByteArray document(const QString &root, const QString &title, const QString &body)
{
    using namespace names;
    QString head;
    head += u"<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n"
            "<meta name=\"color-scheme\" content=\"light dark\">\r\n<title>"_s;
    appendName(head, title);
    head += u" \u2013 Rankhold</title>\r\n"_s;
    head += u"<link rel=\"stylesheet\" href=\""_s + root + kStyleSheet + u"\">\r\n"_s;
    head += u"<script src=\""_s + root + kScript + u"\" defer></script>\r\n</head>\r\n<body>\r\n"_s;
    head += u"<header><nav aria-label=\"Portal\"><a href=\""_s + root + kIndexPage + u"\">Ranking</a> <a href=\""_s +
            root + kRatingPage + u"\">Rating</a> <a href=\""_s + root + kPerGamePage + u"\">Per game</a> <a href=\""_s +
            root + kWeekPage + u"\">Last 7 days</a> <a href=\""_s + root + kMonthPage +
            u"\">Last 30 days</a> <a href=\""_s + root + kAwardsPage + u"\">Awards</a> <a href=\""_s + root +
            kIndexPage + u"#maps\">Maps</a></nav></header>\r\n"_s;
    head += u"<main>\r\n<h1>"_s;
    appendName(head, title);
    head += u"</h1>\r\n"_s;
    // The body is the bulk of a page: converted once, never copied as text.
    QByteArray page = head.toUtf8();
    appendUtf8(page, body);
    page += "</main>\r\n<footer>Statistics by Rankhold</footer>\r\n</body>\r\n</html>\r\n";
    return page;
}

} // namespace portal::html
