#include "notify/ChatMessages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

constexpr int kGreen = 0x2e7d32;
constexpr int kRed = 0xc62828;
constexpr int kBlue = 0x1565c0;
// Discord takes at most 2000 characters of content and 4096 of a description.
constexpr qsizetype kLongestText = 1800;

QString cut(const QString &text)
{
    return text.size() <= kLongestText ? text : text.left(kLongestText) + u"\u2026"_s;
}

QByteArray body(const QString &content, const QJsonObject &embed)
{
    QJsonObject o{{u"username"_s, u"Rankhold"_s},
                  {u"content"_s, cut(content)},
                  // A player named "@everyone" must not call the whole channel.
                  {u"allowed_mentions"_s, QJsonObject{{u"parse"_s, QJsonArray()}}}};
    if (!embed.isEmpty())
        o[u"embeds"_s] = QJsonArray{embed};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QString counted(qint64 n, const QString &unit)
{
    return u"%1 %2%3"_s.arg(n).arg(unit, n == 1 ? QString() : u"s"_s);
}

QJsonObject field(const QString &name, const QString &value, bool inLine)
{
    return {{u"name"_s, name}, {u"value"_s, cut(value)}, {u"inline"_s, inLine}};
}

} // namespace

QString escapeMarkdown(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (QStringView(u"\\*_~`|>#[]<@").contains(c))
            out += u'\\';
        out += c;
    }
    return out.trimmed().isEmpty() ? u"(blank)"_s : out;
}

QByteArray gameMessage(const GameReport &game)
{
    const QString map = escapeMarkdown(game.map);
    QJsonArray fields{field(u"Game type"_s, escapeMarkdown(game.type), true),
                      field(u"Players"_s, QString::number(game.players), true)};
    if (!game.winner.isEmpty())
        fields.append(field(u"Winner"_s, escapeMarkdown(game.winner), true));
    QStringList best;
    for (size_t i = 0; i < game.best.size(); ++i) {
        const GameReport::Line &l = game.best[i];
        QString line = u"%1. **%2**: %3, %4"_s.arg(i + 1).arg(escapeMarkdown(l.player), counted(l.kills, u"kill"_s),
                                                              counted(l.deaths, u"death"_s));
        if (!l.objective.isEmpty())
            line += u", "_s + l.objective;
        best << line;
    }
    if (!best.isEmpty())
        fields.append(field(u"Best players"_s, best.join(u'\n'), false));
    QJsonObject embed{{u"title"_s, map + u", "_s + game.when}, {u"color"_s, kBlue}, {u"fields"_s, fields}};
    if (!game.link.isEmpty())
        embed[u"url"_s] = game.link;
    QString content = u"Game over on %1 (%2)"_s.arg(map, escapeMarkdown(game.type));
    if (!game.best.empty())
        content += u": best player %1"_s.arg(escapeMarkdown(game.best.front().player));
    return body(content, embed);
}

QByteArray moreGamesMessage(qsizetype games)
{
    return body(u"... and %1 more games were imported."_s.arg(games), {});
}

QByteArray failureMessage(ChainStep step, const QString &cause)
{
    // The cause in the text too: not every service that takes these shows embeds.
    const QString title = failureTitle(step);
    // A cause may quote a score file, whose names anyone chooses.
    const QString why = escapeMarkdown(cause);
    return body(u"Rankhold: %1: %2"_s.arg(title, why),
                {{u"title"_s, title}, {u"description"_s, cut(why)}, {u"color"_s, kRed}});
}

QByteArray mendMessage(ChainStep step)
{
    const QString text = mendText(step);
    return body(u"Rankhold: "_s + text, {{u"title"_s, text.left(1).toUpper() + text.mid(1)}, {u"color"_s, kGreen}});
}

QByteArray testMessage()
{
    return body(u"Rankhold: this channel gets a post after every game and when the chain fails or works again."_s, {});
}
