#include "HtmlTestSupport.h"

#include "common/Community.h"
#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "html/RankingExport.h"
#include "scores/DatabaseInfo.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kCredit = "<br><font size=1 face=arial>Statistics by <a href=https://rankhold.sourceforge.io "
                           "target=_blank>Rankhold</a></font><br>";
const QByteArray kTableTag = "<Table Width=\"100%\" CellSpacing=0 CellPadding=0 Border=0 BgColor=\"white\">";
const QByteArray kHeadingRow =
    "<TR><TH Align=\"Left\" BgColor=\"white\"><font face=arial color=black size=2><b>Playername</TH>"
    "<TH Align=\"Left\" BgColor=\"white\"><font face=arial color=black size=2><b>Total number of Kills</TH></TR>";

struct ExportFixture : PlayerDbFixture {
    ExportFixture() : exporter(database) {}

    // Runs one export; true when it ended without an error.
    bool run()
    {
        lastExport = exporter.exportStats(settings, ProgramFolder(folder), host);
        return true;
    }
    // The figures with the player filter the last export used.
    DatabaseFigures figures() { return UpdateDBInfo(database, lastExport.playerFilter, host); }
    QByteArray read(const QString &name) const { return readFile(page(name)); }
    bool exists(const QString &name) const { return QFile::exists(page(name)); }

    RankingExporter exporter;
    Settings settings;
    ExportResult lastExport;
};

} // namespace

TEST(RankingExport, ExamplePagesByteForByte)
{
    EXPECT_EQ(RankingExporter::creditLine().toLatin1(), kCredit);
    EXPECT_EQ(kCommunityWebSite, u"https://rankhold.sourceforge.io"_s);

    ExportFixture fx;
    fx.addRow(u"Alpha"_s, 42, 3);
    fx.settings.rankKills = true;
    fx.settings.top10 = true;
    EXPECT_TRUE(fx.run());
    EXPECT_EQ(fx.host.connectionText, kConnectionOpen) << "a closed connection is opened first";
    EXPECT_EQ(fx.host.activityTexts, (QStringList{u"Exporting HTML"_s, u"Idle"_s}));
    EXPECT_GE(fx.host.repaints, 1);

    const QByteArray rankingPage = "<HTML>\r\n<BODY BGCOLOR=\"WHITE\">\r\n\r\n\r\n" + kTableTag + "\r\n" + kHeadingRow +
                                   "\r\n<TR><TD BgColor=\"white\" ><font face=arial color=black size=2>Alpha</TD>"
                                   "<TD BgColor=\"white\" ><font face=arial color=black size=2>42</TD></TR>\r\n"
                                   "</Table>\r\n \r\n" +
                                   kCredit + "\r\n \r\n</BODY>\r\n</HTML>\r\n\r\n";
    EXPECT_EQ(fx.read(u"rankhold_kills.html"_s), rankingPage);

    const QByteArray top10Page =
        "<HTML>\r\n<BODY BGCOLOR=\"WHITE\">\r\n\r\n"
        "<font face=arial color=black size=2><b>Top 10 Kills</b></font><br><br>\r\n\r\n" +
        kTableTag + "\r\n" + kHeadingRow +
        "\r\n<TR><TD BgColor=\"white\" width=200><font face=arial color=black size=2>Alpha</TD>"
        "<TD BgColor=\"white\" ><font face=arial color=black size=2>42</TD></TR>\r\n"
        "</Table>\r\n<br><br>\r\n \r\n" +
        kCredit + "\r\n \r\n</BODY>\r\n</HTML>\r\n";
    EXPECT_EQ(fx.read(u"rankhold_top10.html"_s), top10Page);
    for (const char *other : {"deaths", "flags", "zonetime", "targets", "ratio"})
        EXPECT_FALSE(fx.exists(u"rankhold_%1.html"_s.arg(QLatin1StringView(other))));
}

TEST(RankingExport, AllRankingsTheirRowsAndTheTop10Sections)
{
    ExportFixture fx;
    for (int i = 1; i <= 12; ++i)
        fx.addRow(u"P%1"_s.arg(i, 2, 10, QChar(u'0')), i, 2, i % 2 ? QVariant(i) : QVariant());
    fx.addRow(u"Ratio"_s, 1, 3);
    fx.addRow(u"Ratio"_s, 5, 2);
    fx.addRow(u"Nobody"_s, 0, 0);
    Settings &s = fx.settings;
    s.rankKills = s.rankDeaths = s.rankFlags = s.rankZonetime = s.rankTargets = s.rankRatio = s.top10 = true;
    fx.run();

    const QByteArray kills = fx.read(u"rankhold_kills.html"_s);
    EXPECT_EQ(kills.count("<TR><TD"), 14);
    const QByteArray flags = fx.read(u"rankhold_flags.html"_s);
    EXPECT_EQ(flags.count("<TR><TD"), 6) << "players without flag games are left out";
    EXPECT_TRUE(flags.contains("size=2>P11</TD><TD BgColor=\"white\" ><font face=arial color=black size=2>11</TD>"));
    const QByteArray zonetime = fx.read(u"rankhold_zonetime.html"_s);
    EXPECT_EQ(zonetime.count("<TR><TD"), 0) << "a ranking without rows keeps its table and heading";
    EXPECT_TRUE(zonetime.contains("Total Zonetime in seconds</TH></TR>\r\n</Table>\r\n"));
    const QByteArray ratio = fx.read(u"rankhold_ratio.html"_s);
    EXPECT_TRUE(ratio.contains(">Ratio</TD><TD BgColor=\"white\" ><font face=arial color=black size=2>2.5</TD>"));
    EXPECT_TRUE(ratio.contains("Best Ratio in 1 game (kills per death)</TH>"));
    // Ties by player name: every P has ratio i/2, Nobody 0.
    EXPECT_TRUE(ratio.contains(">P12</TD><TD BgColor=\"white\" ><font face=arial color=black size=2>6</TD>"));

    const QByteArray top10 = fx.read(u"rankhold_top10.html"_s);
    EXPECT_EQ(top10.count("<TR><TD"), 10 + 10 + 6 + 0 + 0 + 10);
    const qsizetype k = top10.indexOf("Top 10 Kills"), d = top10.indexOf("Top 10 Deaths"),
                    f = top10.indexOf("Top 10 Flags"), r = top10.indexOf("Top 10 Ratio");
    EXPECT_TRUE(k > 0 && k < d && d < f && f < r);
    EXPECT_FALSE(top10.contains("Top 10 Zonetime")) << "no section for a ranking without rows";
    EXPECT_TRUE(top10.contains("<TR><TD BgColor=\"white\" width=200><font face=arial color=black size=2>P12</TD>"));

    // A ranking switched off has no page after the next export.
    s.rankDeaths = false;
    s.top10 = false;
    fx.run();
    EXPECT_FALSE(fx.exists(u"rankhold_deaths.html"_s));
    EXPECT_FALSE(fx.exists(u"rankhold_top10.html"_s));
    EXPECT_TRUE(fx.exists(u"rankhold_kills.html"_s));

    // Nothing enabled but the top 10: the header, the credit and the footer lines only.
    s = Settings();
    s.top10 = true;
    fx.run();
    EXPECT_FALSE(fx.exists(u"rankhold_kills.html"_s));
    EXPECT_EQ(fx.read(u"rankhold_top10.html"_s),
              "<HTML>\r\n<BODY BGCOLOR=\"WHITE\">\r\n\r\n \r\n" + kCredit + "\r\n \r\n</BODY>\r\n</HTML>\r\n");
}

TEST(RankingExport, LayoutOptionsAndTableBoxes)
{
    ExportFixture fx;
    fx.addRow(u"Alpha"_s, 42, 3);
    Settings &s = fx.settings;
    s.rankKills = s.top10 = true;
    s.titleItalic = s.titleUnderlined = s.fieldBold = true;
    s.borderWidth.clear(); // emptied before the first export of the run
    s.cellPadding = u"4"_s;
    s.tableWidth = u" 80"_s;
    s.tableBgColor.clear();
    s.header = u"<HTML>\r\n<BODY>"_s; // last line without a line break
    fx.run();
    const QByteArray kills = fx.read(u"rankhold_kills.html"_s);
    EXPECT_TRUE(kills.startsWith("<HTML>\r\n<BODY>\r\n\r\n<Table Width=\"80%\" CellSpacing=0 CellPadding=4>\r\n"))
        << kills.constData();
    EXPECT_EQ(kills.count("<font face=arial color=black size=2><b><i><u>"), 2);
    EXPECT_TRUE(kills.contains("<TD BgColor=\"white\" ><font face=arial color=black size=2><b>42</TD>"));
    const QByteArray top10 = fx.read(u"rankhold_top10.html"_s);
    EXPECT_TRUE(top10.contains("<Table Width=\"80%\" CellSpacing=0 CellPadding=4 Border=0>\r\n"))
        << "the top-10 tables keep their stored border";

    // An empty box keeps the value of the previous export.
    s.borderWidth = u"3"_s;
    fx.run();
    s.borderWidth.clear();
    s.cellPadding.clear();
    fx.run();
    EXPECT_TRUE(
        fx.read(u"rankhold_kills.html"_s).contains("<Table Width=\"80%\" CellSpacing=0 CellPadding=4 Border=3>"));
}

TEST(RankingExport, FiltersFollowTheOptionAndTheQueriesKeepThem)
{
    ExportFixture fx;
    fx.addRow(u"Alpha"_s, 5, 1);
    fx.addRow(u"Bravo"_s, 7, 1);
    fx.addRow(u"Charlie"_s, 9, 1);
    fx.addRow(u"Delph\"); DROP TABLE player;--"_s, 1, 1);
    Settings &s = fx.settings;
    s.rankKills = true;
    s.useFilters = true;
    s.filter1 = u"lph"_s;
    s.filter3 = u"rav"_s;
    fx.run();
    QByteArray kills = fx.read(u"rankhold_kills.html"_s);
    EXPECT_EQ(kills.count("<TR><TD"), 3);
    EXPECT_FALSE(kills.contains(">Charlie<"));
    EXPECT_EQ(fx.figures().players, u"3"_s) << "the player count follows the filter";

    s.filter1 = u"\"); DROP TABLE player;--"_s; // matched as text, never run
    fx.run();
    kills = fx.read(u"rankhold_kills.html"_s);
    EXPECT_EQ(kills.count("<TR><TD"), 2) << kills.constData(); // the odd name and Bravo
    EXPECT_TRUE(kills.contains("Delph&quot;); DROP TABLE player;--</TD>"));

    s.filter1.clear(); // filter 1 empty: plain queries although filter 3 holds text
    fx.run();
    EXPECT_EQ(fx.read(u"rankhold_kills.html"_s).count("<TR><TD"), 4);
    s.filter1 = u"lph"_s;
    s.useFilters = false;
    fx.run();
    EXPECT_EQ(fx.read(u"rankhold_kills.html"_s).count("<TR><TD"), 4);
    EXPECT_EQ(fx.figures().players, u"4"_s);
}

TEST(RankingExport, NonIntegerTableBoxStopsAfterTheDeletes)
{
    ExportFixture fx;
    fx.addRow(u"Alpha"_s, 42, 3);
    fx.settings.rankKills = fx.settings.top10 = true;
    fx.run();
    ASSERT_TRUE(fx.exists(u"rankhold_kills.html"_s));
    fx.settings.cellSpacing = u"2px"_s;
    EXPECT_EQ(errorMessageOf([&] { fx.run(); }), u"'2px' is not a valid integer value"_s);
    EXPECT_EQ(fx.host.activityText, u"Exporting HTML"_s);
    for (const ProgramFolder::Page page : ProgramFolder::kPages)
        EXPECT_FALSE(fx.exists(ProgramFolder::pageName(page))) << qPrintable(ProgramFolder::pageName(page));
}

TEST(RankingExport, EngineAndFileErrorsStopWhereTheyArise)
{
    ExportFixture fx;
    fx.addRow(u"Alpha"_s, 42, 3);
    Settings &s = fx.settings;
    s.rankKills = s.rankDeaths = s.rankFlags = s.top10 = true;
    ASSERT_TRUE(QSqlQuery(fx.database.connection()).exec(u"ALTER TABLE player_totals RENAME COLUMN Deaths TO Gone"_s));
    const QString message = errorMessageOf([&] { fx.run(); });
    EXPECT_TRUE(message.contains(u"Deaths"_s)) << qPrintable(message);
    EXPECT_TRUE(fx.exists(u"rankhold_kills.html"_s)) << "the pages before the failing query stay written";
    EXPECT_FALSE(fx.exists(u"rankhold_flags.html"_s));
    EXPECT_FALSE(fx.exists(u"rankhold_top10.html"_s));
    EXPECT_EQ(fx.host.activityText, u"Exporting HTML"_s);

    ExportFixture other;
    other.settings.rankKills = true;
    const QString missing = other.folder + u"/gone"_s;
    EXPECT_EQ(errorMessageOf([&] { other.exporter.exportStats(other.settings, ProgramFolder(missing), other.host); }),
              u"Cannot create file %1/rankhold_kills.html"_s.arg(missing));

    // A connection that cannot open: nothing deleted, status unchanged.
    ExportFixture broken;
    broken.settings.top10 = true;
    writeFile(broken.page(u"rankhold_top10.html"_s), "old");
    broken.database.setFileName(broken.folder + u"/nothing.mdb"_s);
    EXPECT_FALSE(errorMessageOf([&] { broken.run(); }).isEmpty());
    EXPECT_TRUE(broken.exists(u"rankhold_top10.html"_s));
    EXPECT_TRUE(broken.host.activityTexts.isEmpty());
}

TEST(RankingExport, HostileAndForeignNamesAreTextInWindows1252)
{
    ExportFixture fx;
    fx.addRow(u"<script>alert(1)</script>&co"_s, 3, 1);
    fx.addRow(u"Zoë Ω"_s, 2, 1);
    fx.settings.rankKills = true;
    fx.settings.footer = u"<p>Ω</p>\r\n"_s; // the operator's own markup stays raw
    fx.run();
    const QByteArray kills = fx.read(u"rankhold_kills.html"_s);
    EXPECT_TRUE(kills.contains("size=2>&lt;script&gt;alert(1)&lt;/script&gt;&amp;co</TD>"));
    EXPECT_FALSE(kills.contains("<script>"));
    EXPECT_TRUE(kills.contains("size=2>Zo\xEB &#937;</TD>"));
    EXPECT_TRUE(kills.contains("<p>&#937;</p>\r\n\r\n"));
}
