// Names merged into one player and players hidden, on the portal: a merge
// rebuilds what it touches and equals a fresh build, an unmerge gives the
// portal back byte for byte, a hidden player is on no board and keeps its
// lines in the games' scoreboards.
#include "PortalFixture.h"

#include "portal/PortalNames.h"
#include "scores/PlayerNames.h"

using namespace Qt::StringLiterals;
namespace names = portal::names;

namespace {

const QString kGhost = u"Ghost                "_s;
const QString kTagged = u"-=[DF]=- Ghost       "_s;

class WhoIsWhoTest : public PortalFixture
{
protected:
    void SetUp() override
    {
        PortalFixture::SetUp();
        addGame("Canyon", "03/01/02", "20:00:00", "Capture the Flag",
                {{"Ghost", 10, 2}, {"Raptor", 4, 5}, {"Bot", 7, 7}});
        addGame("Ice Flats", "03/10/02", "19:30:00", "King of the Hill",
                {{"-=[DF]=- Ghost", 12, 4, "4:19"}, {"Raptor", 2, 2, "0:10"}, {"Bot", 5, 1, "1:00"}});
        addGame("Canyon", "03/15/02", "18:00:00", "Deathmatch", {{"-=[DF]=- Ghost", 6, 0, "60"}, {"Bot", 1, 9, "5"}});
    }

    PlayerNames playerNames() { return PlayerNames(db.connection()); }
    // The pages that differ from a build of every page from the same rows and names.
    QStringList notAsFresh()
    {
        QDir(site(u"fresh"_s)).removeRecursively();
        QFile::remove(site(u"fresh"_s) + u".state"_s);
        EXPECT_TRUE(build(u"fresh"_s).full);
        return changed(files(site(u"fresh"_s)), files(site()));
    }
    QString page(const QString &path) { return QString::fromUtf8(files(site()).value(path)); }
};

TEST_F(WhoIsWhoTest, MergeRebuildsWhatItTouchesAndUnmergeGivesThePortalBack)
{
    ASSERT_TRUE(build().full);
    const auto original = files(site());

    EXPECT_EQ(playerNames().merge(u"-=[DF]=- Ghost"_s, u"Ghost"_s), u"merge \"-=[DF]=- Ghost\" into \"Ghost\""_s);
    const portal::BuildResult merged = build();
    EXPECT_FALSE(merged.full);
    EXPECT_EQ(merged.removed, 1);
    EXPECT_EQ(notAsFresh(), QStringList());
    // The two players' pages, the alias's games, their maps and the boards;
    // not the game before the alias's first one.
    const QStringList touched = changed(original, files(site()));
    for (const QString &path :
         {names::playerPage(kGhost), names::playerPage(kTagged),
          names::gamePage({u"03/10/02"_s, u"19:30:00"_s, u"Ice Flats"_s}),
          names::gamePage({u"03/15/02"_s, u"18:00:00"_s, u"Canyon"_s}), names::mapPage(u"Canyon"_s),
          names::mapPage(u"Ice Flats"_s), names::kIndexPage, names::kWeekPage, names::kMonthPage})
        EXPECT_TRUE(touched.contains(path)) << qPrintable(path);
    EXPECT_FALSE(touched.contains(names::gamePage({u"03/01/02"_s, u"20:00:00"_s, u"Canyon"_s})));
    // The alias's games count as Ghost's from its first one: 28 kills in 3 games.
    EXPECT_TRUE(page(names::kIndexPage).contains(u"3 players, 3 games"_s));
    EXPECT_TRUE(
        page(names::playerPage(kGhost)).contains(u"<dt>Games</dt><dd>3</dd></div>\r\n<div><dt>Kills</dt><dd>28"_s));

    // What the rows would make with the alias's renamed: the same pages, the rating's included.
    const auto mergedPages = files(site());
    db.execute(QList<PlayerSql::Statement>{{u"UPDATE player SET Player = ? WHERE Player = ?;"_s, {kGhost, kTagged}},
                                           {u"DELETE FROM player_names;"_s, {}}});
    EXPECT_TRUE(build(u"renamed"_s).full);
    EXPECT_EQ(changed(files(site(u"renamed"_s)), mergedPages), QStringList());
    db.execute(QList<PlayerSql::Statement>{
        {u"UPDATE player SET Player = ? WHERE Player = ? AND (Game <> 'Canyon' OR Kills = 6);"_s, {kTagged, kGhost}},
        {u"INSERT INTO player_names (Player, CountsAs, Hidden) VALUES (?, ?, 0);"_s, {kTagged, kGhost}}});

    playerNames().unmerge(u"-=[DF]=- Ghost"_s);
    EXPECT_FALSE(build().full);
    EXPECT_EQ(changed(original, files(site())), QStringList());

    // Merged again, with a new game of the alias before the next build, and
    // taken apart again in the same build as another new game.
    playerNames().merge(u"-=[DF]=- Ghost"_s, u"Ghost"_s);
    addGame("Oasis", "03/16/02", "18:00:00", "Deathmatch", {{"-=[DF]=- Ghost", 3, 1, "30"}, {"Raptor", 1, 1, "10"}});
    EXPECT_FALSE(build().full);
    EXPECT_EQ(notAsFresh(), QStringList());
    playerNames().unmerge(u"-=[DF]=- Ghost"_s);
    addGame("Oasis", "03/17/02", "18:00:00", "Deathmatch", {{"Ghost", 3, 1, "30"}});
    EXPECT_FALSE(build().full);
    EXPECT_EQ(notAsFresh(), QStringList());
}

TEST_F(WhoIsWhoTest, AHiddenPlayerIsOnNoBoardButInTheScoreboardsOfItsGames)
{
    build();
    const auto original = files(site());
    playerNames().hide(u"Bot"_s);
    EXPECT_FALSE(build().full);
    const auto hidden = files(site());
    EXPECT_EQ(notAsFresh(), QStringList());
    EXPECT_FALSE(hidden.contains(names::playerPage(u"Bot                  "_s)));
    // The others played against it: their ratings stay as they were (their
    // medals may not: a hidden player wins none).
    const auto rating = [](const QByteArray &page) {
        const qsizetype from = page.indexOf("<h2>Rating</h2>");
        return from < 0 ? QByteArray() : page.mid(from, page.indexOf("</dl>", from) - from);
    };
    EXPECT_FALSE(rating(original.value(names::playerPage(u"Raptor               "_s))).isEmpty());
    EXPECT_EQ(rating(hidden.value(names::playerPage(u"Raptor               "_s))),
              rating(original.value(names::playerPage(u"Raptor               "_s))));
    for (auto it = hidden.cbegin(); it != hidden.cend(); ++it) {
        const QString text = QString::fromUtf8(it.value());
        if (!it.key().startsWith(names::kGameFolder))
            EXPECT_FALSE(text.contains(u">Bot<"_s) || text.contains(u"\"Bot\""_s)) << qPrintable(it.key());
        else
            EXPECT_TRUE(text.contains(u"<th scope=\"row\">Bot <span class=\"unranked\">(not ranked)</span></th>"_s))
                << qPrintable(it.key());
    }
    playerNames().show(u"Bot"_s);
    EXPECT_FALSE(build().full);
    EXPECT_EQ(changed(original, files(site())), QStringList());
}

} // namespace
