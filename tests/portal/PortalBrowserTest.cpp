// The portal in a real browser: headless Chromium driven over its DevTools
// protocol by browser_check.py (see there for what it clicks and types).
#include "PortalFixture.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace {

const QString kChromium = u"/usr/bin/chromium"_s;
const QString kPython = u"/usr/bin/python3"_s;
// browser_check.py's exit code when Chromium cannot be started or driven here.
constexpr int kCannotRun = 77;

class PortalBrowserTest : public PortalFixture
{
};

TEST_F(PortalBrowserTest, SortsSearchesAndShowsHostileNamesAsText)
{
    if (!QFile::exists(kChromium))
        GTEST_SKIP() << "headless Chromium is needed for this test: apt-get install chromium";
    // Names that would run if a page took them as markup: they set `t`.
    const QByteArray svg = "<svg onload=t=1>", script = "<script>t=2</script>";
    addGame("Canyon", "03/01/02", "20:00:00", "Capture the Flag",
            {{svg, 12, 2}, {"bravo", 4, 9}, {"Alpha", 7, 1}, {"J\xe4ger", 9, 4}, {script, 2, 3}});
    addGame("Oasis", "03/02/02", "21:00:00", "Deathmatch", {{svg, 3, 5, "30"}, {"Charlie", 5, 2, "50"}});
    addGame("Canyon", "03/05/02", "19:00:00", "", {{svg, 8, 0}, {"Alpha", 1, 1}});
    build();
    // What every export writes beside the script: the portal's age.
    writeFile(site() + u"/status.js"_s,
              "rankholdStatus({\"updated\":\"" +
                  QDateTime::currentDateTimeUtc().addSecs(-330).toString(Qt::ISODate).toUtf8() + "\"});\r\n");

    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(kPython, {QStringLiteral(RANKHOLD_TESTS_DIR) + u"/portal/browser_check.py"_s, kChromium, site(),
                          QString::fromLatin1(svg), QString::fromLatin1(script)});
    ASSERT_TRUE(check.waitForStarted(10000));
    if (!check.waitForFinished(180000)) {
        check.kill();
        check.waitForFinished(5000);
        FAIL() << "the browser check did not finish within 180 s";
    }
    const QByteArray said = check.readAll();
    if (check.exitStatus() == QProcess::NormalExit && check.exitCode() == kCannotRun)
        GTEST_SKIP() << "Chromium cannot run here, so the pages were not checked in a browser: " << said.constData();
    EXPECT_EQ(check.exitCode(), 0) << said.constData();
}

} // namespace
