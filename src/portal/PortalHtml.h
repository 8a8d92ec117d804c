#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringView>

#include <optional>

// The pieces every page of the portal is made of: escaped text, figures in
// their display form, links, and the frame of a page. Each piece comes as a
// function that appends it to the page being made (the big tables are made
// of hundreds of thousands of them) and one that returns it.
namespace portal::html {

// Text for an element or an attribute value: & < > " ' as references, and
// control characters (which no name should hold) as U+FFFD.
void appendEscaped(QString &out, QStringView text);
QString escape(QStringView text);
// A player's or a map's name as a page shows it: escaped, without the
// blanks the game pads names with, and a name of blanks only as "\u2423".
void appendName(QString &out, QStringView text);
QString name(QStringView text);

void appendInteger(QString &out, qint64 value);
QString integer(qint64 value);
// An empty sum (no game of its kind) reads as a dash.
void appendInteger(QString &out, const std::optional<qint64> &value);
QString integer(const std::optional<qint64> &value);
// Two decimals, with a full stop whatever the locale.
void appendDecimal(QString &out, double value);
QString decimal(double value);
void appendDecimal(QString &out, const std::optional<double> &value);
QString decimal(const std::optional<double> &value);
// A count of tenths with one decimal ("12.3"), after `sign` unless it is 0:
// written by hand, as charts and ratings need thousands of them a page.
void appendTenths(QString &out, quint64 tenths, char16_t sign = 0);
// Kills per death, a death count of 0 counting as 1, as the stored ratio.
double killsPerDeath(qint64 kills, qint64 deaths);
// Seconds as h:mm:ss.
void appendDuration(QString &out, const std::optional<qint64> &seconds);
QString duration(const std::optional<qint64> &seconds);

// <a href="...">name</a> with the name as name() shows it; `href` is a
// path of the portal (its names need no escaping).
void appendLink(QString &out, const QString &href, QStringView text);
QString link(const QString &href, QStringView text);
// The same around markup that is already safe (a <time> element).
QString anchor(const QString &href, const QString &markup);

// A day as yyyy-MM-dd and as MM-dd; QDate::toString goes through the
// locale's machinery, a good part of the pages' time.
QString isoDate(const QDate &day);
QString monthAndDay(const QDate &day);

// A game's date and time in a <time> element (as yyyy-mm-dd hh:mm:ss), or
// its texts as written when they cannot be read.
QString moment(const QString &date, const QString &time);

// A complete document. `root` leads from the page's folder to the portal's
// root ("" or "../"); `title` is plain text; `body` is the markup of <main>.
QByteArray document(const QString &root, const QString &title, const QString &body);
// `text` as UTF-8 after `out`, a piece at a time: a page of megabytes is
// never held a second time in between.
void appendUtf8(QByteArray &out, QStringView text);

} // namespace portal::html
