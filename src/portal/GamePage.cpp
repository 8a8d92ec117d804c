// A game's page: what was played where and when, and its scoreboard.
#include "portal/PortalHtml.h"
#include "portal/PortalNames.h"
#include "portal/PortalPages.h"
#include "portal/PortalTable.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace portal::pages {

namespace {

using namespace html;

const QString kUp = u"../"_s;

// The column the game type fills besides kills and deaths, if any line has one.
enum class Objective { None, Score, Zonetime, Flags, Targets };

Objective objectiveOf(const Game &game)
{
    for (const Row &r : game.lines) {
        if (r.score)
            return Objective::Score;
        if (r.zonetime)
            return Objective::Zonetime;
        if (r.flags)
            return Objective::Flags;
        if (r.targets)
            return Objective::Targets;
    }
    return Objective::None;
}

void objectiveCell(TableRow &row, Objective objective, const Row &r)
{
    switch (objective) {
    case Objective::Score:
        row.number(r.score);
        break;
    case Objective::Zonetime:
        row.duration(r.zonetime);
        break;
    case Objective::Flags:
        row.number(r.flags);
        break;
    case Objective::Targets:
        row.number(r.targets);
        break;
    case Objective::None:
        break;
    }
}

QString scoreboardStart(Objective objective)
{
    std::vector<Column> columns = {
        {u"Place"}, {u"Player", Sort::Text}, {u"Kills", Sort::Number, true}, {u"Deaths"}, {u"Ratio"}};
    switch (objective) {
    case Objective::Score:
        columns.push_back({u"Score"});
        break;
    case Objective::Zonetime:
        columns.push_back({u"Zone time", Sort::Duration});
        break;
    case Objective::Flags:
        columns.push_back({u"Flags"});
        break;
    case Objective::Targets:
        columns.push_back({u"Targets"});
        break;
    case Objective::None:
        break;
    }
    appendRatingColumns(columns, true);
    return tableStart(u"scoreboard"_s, u"Scoreboard"_s, columns);
}

} // namespace

QByteArray gamePage(const Game &game, const QHash<QString, RatingChange> &ratings, bool datedAhead)
{
    std::vector<const Row *> lines;
    for (const Row &r : game.lines)
        lines.push_back(&r);
    std::sort(lines.begin(), lines.end(), [](const Row *a, const Row *b) {
        if (a->kills != b->kills)
            return a->kills > b->kills;
        if (a->deaths != b->deaths)
            return a->deaths < b->deaths;
        return a->player < b->player;
    });

    const GameKey &key = game.key;
    QString body = u"<dl class=\"facts\">\r\n"_s;
    const std::pair<const char16_t *, QString> facts[] = {
        {u"Map", link(kUp + names::mapPage(key.map), key.map)}, {u"Game type", escape(game.type)},
        {u"Date and time", moment(key.date, key.time)},         {u"Winner", escape(game.winner)},
        {u"Players", integer(qint64(game.lines.size()))},
    };
    for (const auto &[label, value] : facts)
        body += u"<div><dt>"_s + QString::fromUtf16(label) + u"</dt><dd>"_s + value + u"</dd></div>\r\n"_s;
    body += u"</dl>\r\n"_s;
    if (datedAhead)
        body +=
            u"<p class=\"note\">This game is dated after the day the portal was made, so the clock of the "
            "server that played it was probably wrong: it counts for no board of recent days and no award.</p>\r\n"_s;
    body += u"<h2>Scoreboard</h2>\r\n"_s;

    const Objective objective = objectiveOf(game);
    body += scoreboardStart(objective);
    qint64 place = 0;
    for (const Row *r : lines) {
        TableRow row(body);
        row.number(++place);
        // A hidden player has no page, but the scoreboard stays whole.
        if (r->hidden)
            row.heading(name(r->player) + u" <span class=\"unranked\">(not ranked)</span>"_s);
        else
            row.nameHeading(kUp + names::playerPage(r->player), r->player);
        row.number(r->kills).number(r->deaths).decimal(r->ratio);
        objectiveCell(row, objective, *r);
        const auto change = ratings.constFind(r->player);
        appendRatingCells(row, change == ratings.cend() ? std::nullopt : std::optional(*change), true);
    }
    body += tableEnd();

    const GameMoment m = GameMoment::of(key);
    const QString when = m.isValid() ? html::isoDate(m.date) + u' ' + key.time : key.date + u' ' + key.time;
    return document(kUp, key.map + u", "_s + when, body);
}

} // namespace portal::pages
