// rankhold-cli export with the player portal switched on in Rankhold.ini.
#include "CliFixture.h"
#include "support/FtpServers.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace {

const QStringList kPages = {u"rankhold_top10.html"_s, u"rankhold_kills.html"_s,    u"rankhold_deaths.html"_s,
                            u"rankhold_flags.html"_s, u"rankhold_zonetime.html"_s, u"rankhold_targets.html"_s,
                            u"rankhold_ratio.html"_s};

const QByteArray kRankings = "[HTMLCreation]\r\nKills=on\r\nDeaths=on\r\nFlags=on\r\nZonetime=on\r\nTargets=on\r\n"
                             "Ratio=on\r\nTop10=on\r\n";

} // namespace

TEST_F(CliFixture, ExportWritesThePortalBesideTheSevenPagesWhenItIsSwitchedOn)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    writeFile(scoreFile(), block("Canyon", 1, {{"Alpha", 7, 2}, {"J\xe4ger", 5, 0}, {"<b>Bravo</b>", 1, 4}}) +
                               block("Ice Flats", 2, {{"Alpha", 2, 2}, {"Delta", 9, 1}}));
    ASSERT_EQ(run({u"--game-folder"_s, gameFolder, u"import"_s}).exitCode, 0);
    const QString portal = programFolder + u"/portal"_s;

    writeIni(kRankings + "[Portal]\r\nEnabled=On\r\n");
    const Result off = run({u"export"_s});
    EXPECT_EQ(off.exitCode, 0) << off.err.toStdString();
    EXPECT_FALSE(QFile::exists(portal)) << "only \"on\" switches it on";
    QList<QByteArray> pages;
    for (const QString &page : kPages)
        pages.append(readFile(programFolder + u'/' + page));

    writeIni(kRankings + "[Portal]\r\nEnabled=on\r\n");
    const Result on = run({u"export"_s});
    EXPECT_EQ(on.exitCode, 0) << on.err.toStdString();
    EXPECT_EQ(on.out, (QStringList{u"Exporting HTML"_s, u"Idle"_s, u"Exporting Player Portal"_s, u"Idle"_s}));
    EXPECT_TRUE(QFile::exists(portal + u"/index.html"_s));
    EXPECT_TRUE(QFile::exists(portal + u"/player/j-~c3~a4ger.16.html"_s)) << "the name as UTF-8, escaped";
    EXPECT_TRUE(QFile::exists(programFolder + u"/portal.state"_s));
    // The seven pages stay what they were, byte for byte.
    for (qsizetype i = 0; i < kPages.size(); ++i)
        EXPECT_EQ(readFile(programFolder + u'/' + kPages[i]), pages[i]) << kPages[i].toStdString();
}

TEST_F(CliFixture, ImportChainPublishesThePortalAfterTheSevenPages)
{
    PyFtpServer server;
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    ASSERT_TRUE(QDir().mkpath(server.filePath(u"www"_s)));
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    writeIni("[FTPSettings]\r\nserver=" + server.address().toUtf8() + "\r\ndirectory=www\r\n" + kRankings +
             "[Portal]\r\nEnabled=on\r\n");
    writeFile(scoreFile(), block("Canyon", 1, {{"Alpha", 7, 2}, {"Bravo", 5, 0}}));

    const Result r = run({u"--game-folder"_s, gameFolder, u"import"_s, u"--chain"_s, u"--user"_s, server.user()},
                         {u"RANKHOLD_FTP_PASSWORD="_s + server.password()});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.last(), u"FTP: Filetransfer OK"_s);
    EXPECT_TRUE(QFile::exists(server.filePath(u"www/rankhold_kills.html"_s)));
    for (const QString &file : {u"index.html"_s, u"portal.css"_s, u"player/a-lpha.16.html"_s, u"map/c-anyon.html"_s})
        EXPECT_TRUE(QFile::exists(server.filePath(u"www/portal/"_s + file))) << file.toStdString();
    EXPECT_TRUE(QFile::exists(programFolder + u"/portal.sent"_s));
}
