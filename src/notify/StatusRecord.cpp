#include "notify/StatusRecord.h"

#include "common/RankholdError.h"
#include "common/TextFiles.h"
#include "platform/Paths.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

QString timeText(const QDateTime &when)
{
    return when.toUTC().toString(Qt::ISODate);
}

QDateTime timeOf(const QJsonValue &value)
{
    QDateTime when = QDateTime::fromString(value.toString(), Qt::ISODate);
    return when.isValid() ? when.toUTC() : QDateTime();
}

QString plural(qint64 n, const QString &unit)
{
    return u"%1 %2%3"_s.arg(n).arg(unit, n == 1 ? QString() : u"s"_s);
}

QString fact(const QDateTime &when, const QDateTime &now)
{
    return when.toLocalTime().toString(u"yyyy-MM-dd HH:mm:ss"_s) + u" ("_s + agoText(when, now) + u')';
}

} // namespace

QByteArray StatusRecord::toJson() const
{
    QJsonObject o;
    o[u"version"_s] = version;
    o[u"written"_s] = timeText(written);
    if (lastImport)
        o[u"lastImport"_s] = QJsonObject{{u"when"_s, timeText(lastImport->when)},
                                         {u"file"_s, lastImport->file},
                                         {u"stored"_s, lastImport->stored},
                                         {u"alreadyStored"_s, lastImport->alreadyStored},
                                         {u"setAside"_s, lastImport->setAside}};
    if (lastExport)
        o[u"lastExport"_s] = QJsonObject{{u"when"_s, timeText(*lastExport)}};
    if (lastUpload)
        o[u"lastUpload"_s] = QJsonObject{{u"when"_s, timeText(lastUpload->when)},
                                         {u"outcome"_s, lastUpload->ok ? u"ok"_s : u"failed"_s},
                                         {u"cause"_s, lastUpload->cause}};
    if (lastError)
        o[u"lastError"_s] = QJsonObject{
            {u"when"_s, timeText(lastError->when)}, {u"step"_s, lastError->step}, {u"message"_s, lastError->message}};
    if (lastWebhook)
        o[u"lastWebhook"_s] = QJsonObject{{u"when"_s, timeText(lastWebhook->when)},
                                          {u"outcome"_s, lastWebhook->delivered ? u"sent"_s : u"failed"_s},
                                          {u"problem"_s, lastWebhook->problem}};
    QJsonObject open;
    for (const auto &[step, cause] : failures)
        open[step] = cause;
    o[u"failures"_s] = open;
    o[u"toldGames"_s] = QJsonArray::fromStringList(toldGames);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

StatusRecord StatusRecord::fromJson(const QByteArray &json)
{
    StatusRecord r;
    const QJsonObject o = QJsonDocument::fromJson(json).object();
    r.version = o[u"version"_s].toString();
    r.written = timeOf(o[u"written"_s]);
    if (const QJsonObject i = o[u"lastImport"_s].toObject(); !i.isEmpty())
        r.lastImport = Import{timeOf(i[u"when"_s]), i[u"file"_s].toString(), qint64(i[u"stored"_s].toDouble()),
                              qint64(i[u"alreadyStored"_s].toDouble()), qint64(i[u"setAside"_s].toDouble())};
    if (const QJsonObject e = o[u"lastExport"_s].toObject(); !e.isEmpty())
        r.lastExport = timeOf(e[u"when"_s]);
    if (const QJsonObject u = o[u"lastUpload"_s].toObject(); !u.isEmpty())
        r.lastUpload = Upload{timeOf(u[u"when"_s]), u[u"outcome"_s].toString() == u"ok"_s, u[u"cause"_s].toString()};
    if (const QJsonObject e = o[u"lastError"_s].toObject(); !e.isEmpty())
        r.lastError = Error{timeOf(e[u"when"_s]), e[u"step"_s].toString(), e[u"message"_s].toString()};
    if (const QJsonObject w = o[u"lastWebhook"_s].toObject(); !w.isEmpty())
        r.lastWebhook =
            Webhook{timeOf(w[u"when"_s]), w[u"outcome"_s].toString() == u"sent"_s, w[u"problem"_s].toString()};
    const QJsonObject open = o[u"failures"_s].toObject();
    for (auto it = open.begin(); it != open.end(); ++it)
        r.failures[it.key()] = it.value().toString();
    for (const QJsonValue &game : o[u"toldGames"_s].toArray())
        r.toldGames.append(game.toString());
    return r;
}

StatusRecord StatusRecord::read(const QString &path)
{
    try {
        if (platform::fileExists(path))
            return fromJson(readFileBytes(path, 1 << 20));
    } catch (const RankholdError &) {
        // A report that cannot be read is started afresh.
    }
    return {};
}

QString agoText(const QDateTime &when, const QDateTime &now)
{
    const qint64 seconds = when.secsTo(now);
    if (seconds < 60)
        return u"just now"_s;
    if (seconds < 2 * 3600)
        return plural(seconds / 60, u"minute"_s) + u" ago"_s;
    if (seconds < 2 * 86400)
        return plural(seconds / 3600, u"hour"_s) + u" ago"_s;
    return plural(seconds / 86400, u"day"_s) + u" ago"_s;
}

QString statusText(const StatusRecord &r, const QDateTime &now)
{
    QStringList lines;
    if (!r.written.isValid())
        return u"No round of the chain has run in this program folder yet.\n"_s;
    if (r.lastImport) {
        const StatusRecord::Import &i = *r.lastImport;
        QString line = u"Last score file imported: "_s + fact(i.when, now) + u"; "_s + plural(i.stored, u"row"_s) +
                       u" stored, %1 already stored"_s.arg(i.alreadyStored);
        if (i.setAside > 0)
            line += u", "_s + plural(i.setAside, u"damaged block"_s) + u" set aside"_s;
        lines << line;
    } else {
        lines << u"Last score file imported: none yet"_s;
    }
    lines << u"Last export: "_s + (r.lastExport ? fact(*r.lastExport, now) : u"none yet"_s);
    if (r.lastUpload)
        lines << u"Last upload: "_s + fact(r.lastUpload->when, now) +
                     (r.lastUpload->ok ? u", FTP: Filetransfer OK"_s : u", failed: "_s + r.lastUpload->cause);
    else
        lines << u"Last upload: none yet"_s;
    if (r.lastError)
        lines << u"Last error: "_s + fact(r.lastError->when, now) + u", "_s + r.lastError->step + u": "_s +
                     r.lastError->message;
    else
        lines << u"Last error: none"_s;
    if (r.lastWebhook)
        lines << u"Last webhook post: "_s + fact(r.lastWebhook->when, now) +
                     (r.lastWebhook->delivered ? u", sent"_s : u", not sent: "_s + r.lastWebhook->problem);
    for (const auto &[step, cause] : r.failures)
        lines << u"Failing now: "_s + step + u": "_s + cause;
    lines << u"Written by Rankhold %1, %2"_s.arg(r.version, fact(r.written, now));
    return lines.join(u'\n') + u'\n';
}
