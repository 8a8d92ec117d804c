#include "html/RankingExport.h"

#include "common/Community.h"
#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "common/TextFiles.h"
#include "html/ExportProgress.h"
#include "html/RankingQueryDataSet.h"
#include "html/TableProducer.h"
#include "platform/Paths.h"
#include "scores/PlayerDatabase.h"

#include <QScopeGuard>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

using Page = ProgramFolder::Page;

struct RankingPage {
    PlayerSql::Ranking ranking;
    Page page;
    bool Settings::*enabled;
    const char16_t *heading; // of the value column
    const char16_t *top10Title;
};

// In the order of the export and of the top-10 page.
constexpr std::array<RankingPage, 6> kPages = {{
    {PlayerSql::Ranking::Kills, Page::Kills, &Settings::rankKills, u"Total number of Kills",
     u"<b>Top 10 Kills</b></font><br><br>"},
    {PlayerSql::Ranking::Deaths, Page::Deaths, &Settings::rankDeaths, u"Total number of Deaths",
     u"<b>Top 10 Deaths</b></font><br><br>"},
    {PlayerSql::Ranking::Flags, Page::Flags, &Settings::rankFlags, u"Total number of Flags",
     u"<b>Top 10 Flags</b></font><br><br>"},
    {PlayerSql::Ranking::Zonetime, Page::Zonetime, &Settings::rankZonetime, u"Total Zonetime in seconds",
     u"<b>Top 10 Zonetime</b></font><br><br>"},
    {PlayerSql::Ranking::Targets, Page::Targets, &Settings::rankTargets, u"Total number of Targets",
     u"<b>Top 10 Targets</b></font><br><br>"},
    {PlayerSql::Ranking::Ratio, Page::Ratio, &Settings::rankRatio, u"Best Ratio in 1 game (kills per death)",
     u"<b>Top 10 Ratio</b></font><br><br>"},
}};

// The texts built from the "HTML Layout" options at the start of an export.
struct Layout {
    QString titleFontPrefix;
    QString titleCaptionPrefix; // begins every column heading
    QString fieldCellCustom;    // Custom of every data cell: closes the cell's tag, opens a font tag
};

Layout buildLayout(const Settings &s)
{
    QString titleStyle = u"<b>"_s;
    if (s.titleItalic)
        titleStyle += u"<i>"_s;
    if (s.titleUnderlined)
        titleStyle += u"<u>"_s;
    QString fieldStyle;
    if (s.fieldBold)
        fieldStyle += u"<b>"_s;
    if (s.fieldItalic)
        fieldStyle += u"<i>"_s;
    if (s.fieldUnderlined)
        fieldStyle += u"<u>"_s;

    Layout layout;
    layout.titleFontPrefix =
        u"<font face="_s + s.titleFontFace + u" color="_s + s.titleFontColor + u" size="_s + s.titleFontSize + u'>';
    layout.titleCaptionPrefix = layout.titleFontPrefix + titleStyle;
    layout.fieldCellCustom = u"><font face="_s + s.fieldFontFace + u" color="_s + s.fieldFontColor + u" size="_s +
                             s.fieldFontSize + u'>' + fieldStyle;
    // The producer's own ">" after Custom takes the place of the last one.
    layout.fieldCellCustom.chop(1);
    return layout;
}

// An empty box leaves the attribute as the previous export (or the stored value) had it.
void setTableNumbers(TTableProducer &producer, const Settings &s)
{
    TTableAttrs &table = producer.TableAttributes();
    if (!s.borderWidth.isEmpty())
        table.setBorder(strToInt(s.borderWidth));
    if (!s.cellPadding.isEmpty())
        table.setCellPadding(strToInt(s.cellPadding));
    if (!s.cellSpacing.isEmpty())
        table.setCellSpacing(strToInt(s.cellSpacing));
    if (!s.tableWidth.isEmpty())
        table.setWidth(strToInt(s.tableWidth));
}

void setColumns(TTableProducer &producer, const Settings &s, const Layout &layout, const QString &heading,
                const QString &firstColumnCustom)
{
    for (int c = 0; c < 2; ++c) {
        TDisplayColumn &column = producer.Columns()[c];
        column.Title().setAlign(alLeft);
        column.setBgColor(s.fieldBgColor);
        column.Title().setBgColor(s.titleBgColor);
        column.Title().setCaption(layout.titleCaptionPrefix + (c == 0 ? u"Playername"_s : heading));
        column.setCustom(c == 0 ? firstColumnCustom : layout.fieldCellCustom);
    }
}

// The entries each followed by CR LF, in Windows-1252 as the pages always
// were; what it cannot hold becomes a character reference instead of a
// question mark. A page of a ranking is megabytes: it is encoded a slice at
// a time, and the bar and the event loop move between the slices.
void writePage(const QString &path, const QStringList &entries, ExportProgress &progress)
{
    constexpr qsizetype kSlice = 1 << 16;
    qsizetype total = 0;
    for (const QString &entry : entries)
        total += entry.size() + 2;
    QByteArray bytes;
    bytes.reserve(total);
    qsizetype done = 0;
    for (const QString &entry : entries) {
        QStringView rest(entry);
        while (!rest.isEmpty()) {
            qsizetype take = std::min(rest.size(), kSlice);
            // The two halves of a pair make one reference.
            if (take < rest.size() && rest[take - 1].isHighSurrogate())
                ++take;
            appendWindows1252(bytes, rest.first(take), true);
            rest = rest.sliced(take);
            done += take;
            progress.pageEncoded(done, total);
        }
        bytes += "\r\n";
    }
    writeFileAtomically(path, bytes);
    progress.pageWritten();
}

void applyStoredValues(TTableProducer &producer, const QString &name, int maxRows, TDataSet *dataSet)
{
    producer.BeginLoading();
    producer.setName(name);
    producer.setMaxRows(maxRows);
    producer.Header() = QStringList{QString()};
    producer.setDataSet(dataSet);
}

} // namespace

struct RankingExporter::Private {
    explicit Private(PlayerDatabase &db) : database(db)
    {
        for (size_t i = 0; i < kPages.size(); ++i)
            dataSets[i] = std::make_unique<RankingQueryDataSet>(db.rankingQuery(kPages[i].ranking));
        TDataSet *flags = dataSets[2].get(); // DataSet2, as the window stored them

        applyStoredValues(producer1, u"TableProducer1"_s, 999999999, flags);
        producer1.TableAttributes().setBgColor(u"Black"_s);
        producer1.EndLoading();

        applyStoredValues(producer2, u"TableProducer2"_s, 10, flags);
        TTableAttrs &top10 = producer2.TableAttributes();
        top10.setBgColor(u"White"_s);
        top10.setBorder(0);
        top10.setCellSpacing(0);
        top10.setCellPadding(0);
        producer2.EndLoading();
    }

    PlayerDatabase &database;
    // Declared before the producers, so the producers let go of them first.
    std::array<std::unique_ptr<RankingQueryDataSet>, 6> dataSets;
    TTableProducer producer1;
    TTableProducer producer2;
};

RankingExporter::RankingExporter(PlayerDatabase &database) : d(std::make_unique<Private>(database)) {}
RankingExporter::~RankingExporter() = default;

TTableProducer &RankingExporter::TableProducer1()
{
    return d->producer1;
}

TTableProducer &RankingExporter::TableProducer2()
{
    return d->producer2;
}

QString RankingExporter::creditLine()
{
    return u"<br><font size=1 face=arial>Statistics by <a href="_s + kCommunityWebSite +
           u" target=_blank>Rankhold</a></font><br>"_s;
}

ExportResult RankingExporter::exportStats(const Settings &settings, const ProgramFolder &folder, CommandHost &host)
{
    // Panel 0 follows the connection through the listener its owner set.
    if (!d->database.isOpen())
        d->database.open();
    host.setActivityText(u"Exporting HTML"_s);
    host.repaintStatus();

    for (const Page page : ProgramFolder::kPages)
        platform::removeFile(folder.pagePath(page));

    QStringList top10Page{settings.header};
    const QString credit = creditLine();
    const QStringList footerBlock{u" "_s, credit, u" "_s, settings.footer};
    const Layout layout = buildLayout(settings);

    TTableProducer &complete = d->producer1;
    TTableProducer &top10 = d->producer2;
    complete.TableAttributes().setBgColor(settings.tableBgColor);
    top10.TableAttributes().setBgColor(settings.tableBgColor);
    setTableNumbers(complete, settings);
    setTableNumbers(top10, settings);

    const auto enabled = std::count_if(kPages.begin(), kPages.end(),
                                       [&settings](const RankingPage &page) { return settings.*page.enabled; });
    ExportProgress progress(host, int(enabled));
    const auto unhook = qScopeGuard([this] {
        for (auto &dataSet : d->dataSets)
            dataSet->OnNext = nullptr;
    });

    ExportResult result;
    PlayerSql::Filters &filters = result.playerFilter;
    if (settings.useFilters && !settings.filter1.isEmpty())
        filters = {settings.filter1, settings.filter2, settings.filter3};

    for (size_t i = 0; i < kPages.size(); ++i) {
        const RankingPage &page = kPages[i];
        if (!(settings.*page.enabled))
            continue;
        RankingQuery &query = d->database.rankingQuery(page.ranking);
        RankingQueryDataSet *dataSet = d->dataSets[i].get();
        const QString heading = QString::fromUtf16(page.heading);

        query.close();
        query.setStatement(PlayerSql::rankingQuery(d->database.engine(), page.ranking, filters));
        query.open();
        progress.startRanking(query.recordCount());
        dataSet->OnNext = [&progress, &query] { progress.rowRendered(query.position()); };

        complete.setDataSet(dataSet);
        setColumns(complete, settings, layout, heading, layout.fieldCellCustom);
        QStringList entries{settings.header, complete.ProduceContent()};
        entries += footerBlock;
        progress.turn();
        writePage(folder.pagePath(page.page), entries, progress);

        // The cursor is static: its rows are the snapshot the query took, so
        // going back to the first row gives what running it again would,
        // without a second pass over the table.
        query.first();
        top10.setDataSet(dataSet);
        setColumns(top10, settings, layout, heading, u"width=200"_s + layout.fieldCellCustom);
        if (query.recordCount() > 0) {
            top10Page.append(layout.titleFontPrefix + QString::fromUtf16(page.top10Title));
            top10Page.append(top10.ProduceContent());
            top10Page.append(u"<br><br>"_s);
        }
    }

    top10Page.append(u" "_s);
    top10Page.append(credit);
    top10Page.append(u" "_s);
    top10Page += splitLines(settings.footer);
    if (settings.top10)
        writePage(folder.pagePath(Page::Top10), top10Page, progress);

    host.setActivityText(kIdle);
    return result;
}
