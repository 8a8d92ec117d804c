#include "HtmlTestSupport.h"

#include "common/RankholdError.h"
#include "html/RankingQueryDataSet.h"
#include "html/TableProducer.h"

#include <QProcess>
#include <clocale>

using namespace Qt::StringLiterals;

namespace {

std::vector<QVariantList> players(int count)
{
    std::vector<QVariantList> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back({u"P%1"_s.arg(i), 100 - i});
    return rows;
}

const QString kHeading = u"<TR><TH>Player</TH><TH>Kills</TH></TR>\r\n"_s;

} // namespace

TEST(TableProducer, WithoutDataSetOrWithClosedOrEmptyDataSet)
{
    TTableProducer producer;
    producer.Header() = QStringList{u"<p>head</p>"_s};
    producer.Footer() = QStringList{u"<p>foot</p>"_s};
    EXPECT_EQ(producer.ProduceContent(), QString()) << "no data set: neither header nor footer";

    MemoryDataSet data({u"Player"_s, u"Kills"_s}, {});
    producer.setDataSet(&data);
    EXPECT_EQ(producer.ProduceContent(),
              u"<p>head</p>\r\n<Table Width=\"100%\">\r\n<TR></TR>\r\n</Table><p>foot</p>\r\n"_s);

    data.open();
    EXPECT_EQ(producer.Columns().Count(), 2);
    EXPECT_EQ(producer.RenderTable(), u"<Table Width=\"100%\">\r\n"_s + kHeading + u"</Table>"_s);

    data.close();
    EXPECT_EQ(producer.Columns().Count(), 0) << "closing the data set takes its columns away";
}

TEST(TableProducer, MaxRowsBoundsTheRowsAndLeavesTheCursorAfterTheLast)
{
    MemoryDataSet data({u"Player"_s, u"Kills"_s}, players(25));
    data.open();
    TTableProducer producer;
    producer.setDataSet(&data);
    producer.setMaxRows(10);
    const QString first = producer.RenderTable();
    EXPECT_EQ(first.count(u"<TR>"_s), 11);
    EXPECT_TRUE(first.contains(u"<TR><TD>P10</TD><TD>90</TD></TR>\r\n</Table>"_s));
    EXPECT_EQ(data.position(), 10) << "left on the 11th row";

    // The next content goes on from the current record.
    EXPECT_TRUE(producer.RenderTable().contains(u"<TR><TD>P11</TD><TD>89</TD></TR>"_s));

    data.close();
    data.open();
    producer.setMaxRows(0);
    EXPECT_EQ(producer.RenderTable().count(u"<TD>"_s), 0);
    producer.setMaxRows(-1);
    EXPECT_EQ(producer.RenderTable().count(u"<TR>"_s), 26) << "a negative budget renders every row";

    data.close();
    data.open();
    data.setEditing(true);
    EXPECT_EQ(producer.RenderTable().count(u"<TD>"_s), 0) << "rows are read only while browsing";
}

TEST(TableProducer, CellsTextsNullsAndEscaping)
{
    MemoryDataSet data({u"Player"_s, u"Ratio"_s, u"Kills"_s}, {{u"<b>A&B \"x\"</b>"_s, 2.5, QVariant()},
                                                               {u"B"_s, 1.0 / 3.0, qlonglong(-7)},
                                                               {u"C"_s, 12.0, qlonglong(1234567)}});
    data.open();
    TTableProducer producer;
    producer.setDataSet(&data);
    const QString table = producer.RenderTable();
    EXPECT_TRUE(table.contains(u"<TD>&lt;b&gt;A&amp;B &quot;x&quot;&lt;/b&gt;</TD><TD>2.5</TD><TD></TD>"_s))
        << qPrintable(table);
    EXPECT_TRUE(table.contains(u"<TD>B</TD><TD>0.333333333333333</TD><TD>-7</TD>"_s));
    EXPECT_TRUE(table.contains(u"<TD>C</TD><TD>12</TD><TD>1234567</TD>"_s));

    EXPECT_EQ(floatDisplayText(2.5, u","_s), u"2,5"_s);
    EXPECT_EQ(floatDisplayText(1e20, u"."_s), u"1E20"_s);
    EXPECT_EQ(floatDisplayText(0.00001, u"."_s), u"1E-5"_s);
    EXPECT_EQ(floatDisplayText(0.0001, u"."_s), u"0.0001"_s);
    EXPECT_EQ(floatDisplayText(123456789012345.0, u"."_s), u"123456789012345"_s);
}

TEST(TableProducer, FloatTextDoesNotFollowTheCLibraryLocale)
{
    // A Qt program runs under the environment's C locale; one whose decimal
    // point is not '.' (here a multi-byte one) must not leak into the cells.
    QTemporaryDir dir;
    QProcess localedef;
    localedef.start(u"localedef"_s, {u"-i"_s, u"ps_AF"_s, u"-f"_s, u"UTF-8"_s, dir.filePath(u"ps_AF.UTF-8"_s)});
    if (!localedef.waitForFinished(60000) || localedef.exitCode() != 0)
        GTEST_SKIP() << "no localedef or locale sources";
    const bool hadPath = qEnvironmentVariableIsSet("LOCPATH");
    const QByteArray oldPath = qgetenv("LOCPATH");
    const QByteArray oldLocale = std::setlocale(LC_NUMERIC, nullptr);
    qputenv("LOCPATH", dir.path().toLocal8Bit());
    const bool switched = std::setlocale(LC_NUMERIC, "ps_AF.UTF-8") != nullptr;
    const QString half = floatDisplayText(2.5, u","_s);
    const QString tiny = floatDisplayText(0.00001, u","_s);
    std::setlocale(LC_NUMERIC, oldLocale.constData());
    if (hadPath)
        qputenv("LOCPATH", oldPath);
    else
        qunsetenv("LOCPATH");
    if (!switched)
        GTEST_SKIP() << "the generated locale could not be selected";
    EXPECT_EQ(half, u"2,5"_s);
    EXPECT_EQ(tiny, u"1E-5"_s);
}

TEST(TableProducer, TableRowAndCaptionTags)
{
    TTableProducer producer;
    TTableAttrs &table = producer.TableAttributes();
    EXPECT_EQ(producer.BuildTableTag(), u"<Table Width=\"100%\">"_s);
    table.setWidth(0);
    table.setBorder(0);
    EXPECT_EQ(producer.BuildTableTag(), u"<Table Border=0>"_s);
    table.setBorder(-1);
    table.setWidth(50);
    table.setAlign(alCenter);
    table.setCellSpacing(2);
    table.setCellPadding(3);
    table.setBgColor(u"#fff"_s);
    table.setCustom(u"class=x"_s);
    EXPECT_EQ(producer.BuildTableTag(),
              u"<Table Width=\"50%\" Align=\"Center\" CellSpacing=2 CellPadding=3 BgColor=\"#fff\" class=x>"_s);

    EXPECT_EQ(producer.BuildRowTag(), u"<TR>"_s);
    producer.RowAttributes().setVAlign(vaBaseline);
    producer.RowAttributes().setAlign(alRight);
    producer.RowAttributes().setBgColor(u"red"_s);
    EXPECT_EQ(producer.BuildRowTag(), u"<TR Align=\"Right\" VAlign=\"Basline\" BgColor=\"red\">"_s);

    EXPECT_EQ(producer.BuildCaptionTag(), QString());
    producer.setCaption(u"Top"_s);
    EXPECT_EQ(producer.BuildCaptionTag(), u"<Caption >Top</Caption>"_s);
    producer.setCaptionAlignment(cpTop);
    EXPECT_EQ(producer.BuildCaptionTag(), u"<Caption  Align=\"Top\">Top</Caption>"_s);
    producer.OnGetTableCaption = [](TTableProducerBase &, QString &caption, TCaptionPlace &place) {
        caption = u"<i>Hook</i>"_s;
        place = cpBottom;
    };
    EXPECT_EQ(producer.BuildCaptionTag(), u"<Caption  Align=\"Bottom\"><i>Hook</i></Caption>"_s);
}

TEST(TableProducer, ColumnsHeadingsAndHooks)
{
    MemoryDataSet data({u"Player"_s, u"Kills"_s}, players(2));
    data.open();
    TTableProducer producer;
    producer.setDataSet(&data);
    data.Fields()[1]->setDisplayLabel(u"Total"_s);
    TDisplayColumn &kills = producer.Columns()[1];
    kills.Title().setCaption(u"<b>K</b>"_s);
    kills.Title().setVAlign(vaTop);
    kills.setCustom(u"class=n"_s);
    kills.setAlign(alRight);
    EXPECT_EQ(producer.BuildHeaderCells(), u"<TH>Player</TH><TH VAlign=\"Top\"><b>K</b></TH>"_s);
    kills.Title().setCaption(QString());
    EXPECT_EQ(producer.BuildHeaderCells(), u"<TH>Player</TH><TH VAlign=\"Top\">Total</TH>"_s);

    producer.OnFormatCell = [](TTableProducerBase &, int row, int column, TColorText &bg, THorzAlign &, TVertAlign &,
                               QString &, QString &cellData) {
        if (row == 2 && column == 0) {
            bg = u"gold"_s;
            cellData += u"!"_s;
        }
    };
    const QString table = producer.RenderTable();
    EXPECT_TRUE(table.contains(u"<TR><TD>P1</TD><TD Align=\"Right\" class=n>99</TD></TR>"_s)) << qPrintable(table);
    EXPECT_TRUE(table.contains(u"<TR><TD BgColor=\"gold\">P2!</TD>"_s));

    bool veto = true;
    producer.OnCreateContent = [&](TContentProducer &, bool &go) { go = !veto; };
    EXPECT_EQ(producer.ProduceContent(), QString());

    // Custom columns: looked up by name; a missing field gives empty cells and its display name.
    data.close();
    data.open();
    producer.OnFormatCell = nullptr;
    TDisplayColumn &custom = producer.Columns().Add();
    custom.setFieldName(u"kills"_s);
    TDisplayColumn &missing = producer.Columns().Add();
    missing.setFieldName(u"Nope"_s);
    producer.RebuildColumns();
    EXPECT_EQ(producer.Columns().Count(), 2);
    producer.setMaxRows(1);
    EXPECT_EQ(
        producer.RenderTable(),
        u"<Table Width=\"100%\">\r\n<TR><TH>Kills</TH><TH>Nope</TH></TR>\r\n<TR><TD>99</TD><TD></TD></TR>\r\n</Table>"_s);
    EXPECT_EQ(custom.FieldName(), u"Kills"_s) << "binding copies the field's own name";
    data.close();
    EXPECT_EQ(producer.Columns().Count(), 2) << "custom columns outlive the data set's fields";
    EXPECT_EQ(custom.BoundField(), nullptr);
}

TEST(TableProducer, DataSetIdentityAndDestruction)
{
    TTableProducer producer;
    {
        MemoryDataSet data({u"Player"_s, u"Kills"_s}, players(1));
        data.open();
        producer.setDataSet(&data);
        producer.Columns()[0].setBgColor(u"red"_s);
        producer.setDataSet(&data);
        EXPECT_EQ(producer.Columns()[0].BgColor(), u"red"_s) << "the same data set again changes nothing";
    }
    EXPECT_EQ(producer.DataSet(), nullptr) << "a destroyed data set is let go";
    EXPECT_EQ(producer.Columns().Count(), 0);
    EXPECT_EQ(producer.ProduceContent(), QString());
}

TEST(TableProducer, AttributeRecordsNoticeCopyAndReset)
{
    TTableProducer producer;
    THeadingAttrs a(&producer, [&] { producer.contentChanged(); });
    THeadingAttrs b(&producer, [&] { producer.contentChanged(); });
    const int start = producer.changeCount();
    a.setBgColor(u"red"_s);
    a.setBgColor(u"red"_s);
    EXPECT_EQ(producer.changeCount(), start + 1) << "an unchanged value raises no notice";
    a.setCaption(u"Cap"_s);
    a.setVAlign(vaBottom);
    a.setCustom(u"x=1"_s);
    b.Assign(a);
    EXPECT_EQ(producer.changeCount(), start + 5);
    EXPECT_EQ(b.Caption(), u"Cap"_s);
    EXPECT_EQ(b.VAlign(), vaBottom);
    EXPECT_EQ(b.Custom(), QString()) << "Custom is not copied";
    a.ResetToDefaults();
    EXPECT_EQ(a.Caption(), QString());
    EXPECT_EQ(a.Custom(), QString());
    EXPECT_EQ(a.BgColor(), QString());

    TTableAttrs table(&producer, {});
    EXPECT_EQ(table.Width(), 100);
    EXPECT_EQ(table.Border(), -1);
    EXPECT_THROW(table.Assign(a), RankholdError);
}

TEST(TableProducer, FollowsARankingQueryOfTheDatabase)
{
    PlayerDbFixture fx;
    for (int i = 1; i <= 25; ++i)
        fx.addRow(u"P%1"_s.arg(i, 2, 10, QChar(u'0')), i, 1);
    RankingQuery &kills = fx.database.rankingQuery(PlayerSql::Ranking::Kills);
    RankingQueryDataSet data(kills);
    TTableProducer producer;
    producer.setDataSet(&data);
    producer.setMaxRows(10);
    kills.open();
    const QString table = producer.RenderTable();
    EXPECT_TRUE(table.contains(u"<TR><TH>Player</TH><TH>TotalKills</TH></TR>"_s));
    EXPECT_TRUE(table.contains(u"<TR><TD>P25</TD><TD>25</TD></TR>"_s));
    EXPECT_TRUE(table.contains(u"<TR><TD>P16</TD><TD>16</TD></TR>\r\n</Table>"_s));
    EXPECT_EQ(kills.position(), 10);
    fx.database.close();
    EXPECT_EQ(producer.Columns().Count(), 0);
}

TEST(TableProducer, OutlivesTheDatabaseOfItsQuery)
{
    QTemporaryDir dir;
    makeEmptyDatabase(dir.filePath(u"Rankhold.mdb"_s));
    auto database = std::make_unique<PlayerDatabase>();
    database->setFileName(dir.filePath(u"Rankhold.mdb"_s));
    RankingQuery &kills = database->rankingQuery(PlayerSql::Ranking::Kills);
    RankingQueryDataSet data(kills);
    TTableProducer producer;
    producer.setDataSet(&data);
    kills.open();
    ASSERT_EQ(producer.Columns().Count(), 2);
    database.reset();
    EXPECT_EQ(data.query(), nullptr);
    EXPECT_EQ(producer.Columns().Count(), 0);
    EXPECT_EQ(producer.RenderTable(), u"<Table Width=\"100%\">\r\n<TR></TR>\r\n</Table>"_s);
}
