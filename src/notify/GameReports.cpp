#include "notify/GameReports.h"

#include "portal/PortalNames.h"
#include "portal/PortalSource.h"
#include "scores/ScoreImport.h"

#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString objectiveOf(const portal::Row &r)
{
    if (r.score)
        return u"score %1"_s.arg(*r.score);
    if (r.zonetime)
        return u"zone time %1:%2"_s.arg(*r.zonetime / 60).arg(*r.zonetime % 60, 2, 10, QChar(u'0'));
    if (r.flags)
        return u"%1 %2"_s.arg(*r.flags).arg(*r.flags == 1 ? u"flag"_s : u"flags"_s);
    if (r.targets)
        return u"%1 %2"_s.arg(*r.targets).arg(*r.targets == 1 ? u"target"_s : u"targets"_s);
    return {};
}

GameReport reportOf(portal::Game &game, const QString &portalBase)
{
    GameReport report;
    const portal::GameKey &key = game.key;
    report.map = key.map;
    report.type = game.type;
    // The game writes "None" where its type has no winning side.
    report.winner = game.winner == u"None"_s ? QString() : game.winner;
    const portal::GameMoment moment = portal::GameMoment::of(key);
    report.when = (moment.isValid() ? moment.date.toString(u"yyyy-MM-dd"_s) : key.date) + u' ' + key.time;
    report.players = qint64(game.lines.size());
    // In the order of the scoreboard on the game's page.
    std::sort(game.lines.begin(), game.lines.end(), [](const portal::Row &a, const portal::Row &b) {
        if (a.kills != b.kills)
            return a.kills > b.kills;
        if (a.deaths != b.deaths)
            return a.deaths < b.deaths;
        return a.player < b.player;
    });
    for (size_t i = 0; i < std::min<size_t>(3, game.lines.size()); ++i) {
        const portal::Row &r = game.lines[i];
        report.best.push_back({r.player.trimmed(), r.kills, r.deaths, objectiveOf(r)});
    }
    if (!portalBase.isEmpty())
        report.link = portalBase + portal::names::gamePage(key);
    return report;
}

} // namespace

std::vector<ImportedGame> distinctGames(const std::vector<ImportedGame> &games)
{
    std::vector<ImportedGame> distinct;
    QSet<QString> seen;
    for (const ImportedGame &g : games) {
        const QString key = g.date + u'\n' + g.time + u'\n' + g.map;
        if (!seen.contains(key)) {
            seen.insert(key);
            distinct.push_back(g);
        }
    }
    return distinct;
}

std::vector<GameReport> gameReports(QSqlDatabase db, const std::vector<ImportedGame> &games, const QString &portalBase)
{
    std::vector<GameReport> reports;
    portal::PortalSource source(std::move(db));
    for (const ImportedGame &imported : games) {
        portal::Game game = source.game({imported.date, imported.time, imported.map});
        if (!game.lines.empty())
            reports.push_back(reportOf(game, portalBase));
    }
    return reports;
}
