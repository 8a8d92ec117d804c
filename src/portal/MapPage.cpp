// A map's page: its figures, its best players and its latest games.
#include "portal/PortalHtml.h"
#include "portal/PortalNames.h"
#include "portal/PortalPages.h"
#include "portal/PortalTable.h"

using namespace Qt::StringLiterals;

namespace portal::pages {

QByteArray mapPage(const MapSummary &map)
{
    using namespace html;
    const QString up = u"../"_s;

    QString body = u"<dl class=\"figures\">\r\n<div><dt>Games</dt><dd>"_s + integer(map.games) +
                   u"</dd></div>\r\n<div><dt>Kills</dt><dd>"_s + integer(map.kills) + u"</dd></div>\r\n</dl>\r\n"_s;

    body += u"<h2>Best players</h2>\r\n"_s;
    body += tableStart(u"best"_s, u"Most kills on this map"_s,
                       {{u"Place"},
                        {u"Player", Sort::Text},
                        {u"Games"},
                        {u"Kills", Sort::Number, true},
                        {u"Deaths"},
                        {u"Kills per death"}});
    qint64 place = 0;
    for (const MapPlayer &p : map.best) {
        TableRow(body)
            .number(++place)
            .nameHeading(up + names::playerPage(p.name), p.name)
            .number(p.games)
            .number(p.kills)
            .number(p.deaths)
            .decimal(killsPerDeath(p.kills, p.deaths));
    }
    body += tableEnd();

    body += u"<h2>Latest games</h2>\r\n"_s;
    body += tableStart(u"games"_s, u"The latest games on this map, newest first"_s,
                       {{u"Played", Sort::Text}, {u"Game type", Sort::Text}, {u"Winner", Sort::Text}, {u"Players"}});
    for (const MapGame &g : map.recent) {
        TableRow(body)
            .heading(anchor(up + names::gamePage(g.key), moment(g.key.date, g.key.time)))
            .text(escape(g.type))
            .text(escape(g.winner))
            .number(g.players);
    }
    body += tableEnd();
    return document(up, map.name, body);
}

} // namespace portal::pages
