#include "HtmlTestSupport.h"

#include "common/ProgramFolder.h"
#include "html/RankingExport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

const QString kChromium = u"/usr/bin/chromium"_s;

// The page as a browser builds it: headless Chromium's serialised DOM after load.
QString dumpDom(const QString &page)
{
    QTemporaryDir profile;
    QProcess browser;
    browser.setProgram(kChromium);
    browser.setArguments({u"--headless"_s, u"--no-sandbox"_s, u"--disable-gpu"_s, u"--disable-background-networking"_s,
                          u"--disable-component-update"_s, u"--disable-sync"_s, u"--no-first-run"_s,
                          u"--user-data-dir="_s + profile.path(), u"--dump-dom"_s,
                          QUrl::fromLocalFile(page).toString()});
    browser.setProcessChannelMode(QProcess::SeparateChannels);
    browser.start();
    if (!browser.waitForStarted(10000))
        return {};
    if (!browser.waitForFinished(60000)) {
        browser.kill();
        browser.waitForFinished(5000);
        ADD_FAILURE() << "chromium did not finish within 60 s";
        return {};
    }
    EXPECT_EQ(browser.exitCode(), 0) << browser.readAllStandardError().constData();
    return QString::fromUtf8(browser.readAllStandardOutput());
}

} // namespace

TEST(RankingPageInBrowser, HostileNameIsShownAsTextAndRunsNothing)
{
    ASSERT_TRUE(QFile::exists(kChromium)) << "headless Chromium is needed: apt-get install chromium";

    PlayerDbFixture fx;
    const QString hostile = u"<script>document.title='pwned';document.getElementById('marker').textContent='pwned'"
                            "</script><img src=x onerror=\"document.title='pwned'\">"_s;
    fx.addRow(hostile, 50, 1);
    fx.addRow(u"Alpha & Co"_s, 40, 2);
    fx.addRow(u"Bravo"_s, 30, 3);
    RankingExporter exporter(fx.database);
    Settings settings;
    settings.rankKills = true;
    settings.header = u"<HTML><HEAD><TITLE>Rankhold ranking</TITLE></HEAD>\r\n<BODY BGCOLOR=\"WHITE\">\r\n"
                      "<P id=marker>untouched</P>\r\n"_s;
    exporter.exportStats(settings, ProgramFolder(fx.folder), fx.host);

    const QString dom = dumpDom(fx.page(u"rankhold_kills.html"_s));
    ASSERT_FALSE(dom.isEmpty());
    const auto title = QRegularExpression(u"<title>(.*?)</title>"_s).match(dom);
    EXPECT_EQ(title.captured(1), u"Rankhold ranking"_s);
    EXPECT_TRUE(dom.contains(u"<p id=\"marker\">untouched</p>"_s)) << qPrintable(dom);
    EXPECT_FALSE(dom.contains(u"<script"_s, Qt::CaseInsensitive));
    EXPECT_FALSE(dom.contains(u"<img"_s, Qt::CaseInsensitive));

    // One heading row and one row per player, in ranking order, the names as text.
    const auto rows = QRegularExpression(u"<tr>(.*?)</tr>"_s).globalMatch(dom);
    QStringList cells;
    int rowCount = 0;
    for (auto it = rows; it.hasNext(); ++rowCount) {
        const QString row = it.next().captured(1);
        if (rowCount == 1)
            cells.append(row);
    }
    EXPECT_EQ(rowCount, 4);
    ASSERT_EQ(cells.size(), 1);
    EXPECT_TRUE(cells.front().contains(u"&lt;script&gt;document.title='pwned';"_s)) << qPrintable(cells.front());
    EXPECT_TRUE(cells.front().contains(u"&lt;img src=x onerror=\"document.title='pwned'\"&gt;"_s))
        << qPrintable(cells.front());
    EXPECT_TRUE(dom.contains(u"Alpha &amp; Co</font></td>"_s)) << qPrintable(dom);
}
