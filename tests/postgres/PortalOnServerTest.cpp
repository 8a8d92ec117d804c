// The player portal of a database on the server is the portal of the same
// rows in Rankhold.mdb, file for file and byte for byte (but for the time it
// was made), after the first export and after the export of one more map.
#include "../scores/ScoreFixture.h"
#include "PostgresFixture.h"

#include "portal/PortalBuilder.h"
#include "portal/PortalNames.h"
#include "scores/PlayerNames.h"
#include "settings/PortalSwitch.h"

#include <QDirIterator>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// Every file of a portal by its path, the times the index and the status
// were made left out.
QMap<QString, QByteArray> portalOf(const Installation &i)
{
    static const QRegularExpression made(u"<time datetime=\"[^\"]*\">[^<]*</time>|\"updated\":\"[^\"]*\""_s);
    const QString folder = i.state.programFolder.portalFolder();
    QMap<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        out.insert(path.mid(folder.size() + 1),
                   QString::fromUtf8(readFile(path)).replace(made, u"<time>made</time>"_s).toUtf8());
    }
    return out;
}

class PortalOnServer : public PostgresTest
{
protected:
    void SetUp() override
    {
        PostgresTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        createTables();
        sqlite = std::make_unique<Installation>(path(u"sqlite"_s));
        pg = std::make_unique<Installation>(path(u"pg"_s), url);
        for (Installation *i : {sqlite.get(), pg.get()})
            setPortalEnabled(i->state.programFolder, true);
    }

    void bothImportAndExport(const QByteArray &scores)
    {
        for (Installation *i : {sqlite.get(), pg.get()}) {
            writeFile(i->scoreFile(), scores);
            ASSERT_TRUE(i->import());
            i->exportPages();
        }
    }

    std::unique_ptr<Installation> sqlite, pg;
};

TEST_F(PortalOnServer, MakesThePortalOfTheSameRowsInTheFile)
{
    // Names the server's own collation orders otherwise than bytes, letter
    // case apart, markup; dates over a new year.
    const QList<QByteArray> names = {"abc", "ABC", "_x", "\xe9t\xe9", "\xc9t\xe9", "<b>x</b>", "Zed the Bold"};
    QByteArray scores;
    for (int b = 0; b < 12; ++b) {
        QList<QByteArray> rows;
        for (int p = 0; p < 4; ++p)
            rows.append(playerRow(names.at((b * 3 + p) % names.size()), QByteArray::number(p),
                                  QByteArray::number((b + p) % 5 * 2), QByteArray::number((b * p) % 3)));
        scores +=
            scoreBlock(b % 2 ? "Canyon" : "Oasis",
                       b < 6 ? "12/2" + QByteArray::number(b) + "/01" : "01/0" + QByteArray::number(b - 5) + "/02",
                       "20:00:00", b % 3 ? "Capture the Flag" : "Deathmatch", rows);
    }
    bothImportAndExport(scores);
    const QMap<QString, QByteArray> first = portalOf(*sqlite);
    ASSERT_GT(first.size(), 20);
    EXPECT_EQ(portalOf(*pg), first);

    bothImportAndExport(scoreBlock("Oasis", "01/09/02", "21:00:00", "Deathmatch",
                                   {playerRow("abc", "5", "9", "1"), playerRow("newcomer", "1", "0", "4")}));
    EXPECT_NE(portalOf(*sqlite), first);
    EXPECT_EQ(portalOf(*pg), portalOf(*sqlite));

    // Who is who, kept by each engine: the same merged and hidden players
    // (and two player pages fewer).
    const qsizetype pages = portalOf(*sqlite).size();
    for (Installation *i : {sqlite.get(), pg.get()}) {
        PlayerNames who(i->state.database.connection());
        who.merge(u"newcomer"_s, u"Zed the Bold"_s);
        who.hide(u"<b>x</b>"_s);
        i->exportPages();
    }
    const QMap<QString, QByteArray> renamed = portalOf(*sqlite);
    EXPECT_EQ(renamed.size(), pages - 2);
    EXPECT_EQ(portalOf(*pg), renamed);
}

// Another server's import that lands while a build reads: the build makes
// the pages of what it saw at its start, and the next build finds the new
// game new, as it would after any import.
TEST_F(PortalOnServer, ABuildSeesOneSnapshotWhileAnotherServerImports)
{
    writeFile(pg->scoreFile(), scoreBlock("Canyon", "03/01/02", "20:00:00", "Deathmatch",
                                          {playerRow("abc", "5", "9", "1"), playerRow("Zed", "1", "0", "4")}));
    ASSERT_TRUE(pg->import());
    Installation other(path(u"other"_s), url);
    writeFile(other.scoreFile(), scoreBlock("Oasis", "03/02/02", "21:00:00", "Deathmatch",
                                            {playerRow("abc", "3", "2", "2"), playerRow("Zed", "2", "3", "1")}));
    const portal::BuildPlace place{path(u"portal"_s), path(u"portal.state"_s)};
    bool imported = false;
    const portal::BuildResult first =
        portal::buildPortal(pg->state.database.connection(), place, QDateTime::currentDateTime(), [&](int) {
            if (!imported)
                imported = other.import();
        });
    ASSERT_TRUE(imported);
    EXPECT_TRUE(first.full);
    const QString later = portal::names::gamePage({u"03/02/02"_s, u"21:00:00"_s, u"Oasis"_s});
    EXPECT_FALSE(QFile::exists(place.siteFolder + u'/' + later));

    const portal::BuildResult second =
        portal::buildPortal(pg->state.database.connection(), place, QDateTime::currentDateTime());
    EXPECT_FALSE(second.full);
    EXPECT_TRUE(QFile::exists(place.siteFolder + u'/' + later));
}

} // namespace
