// rankhold-cli with a real FTP server on loopback: the whole chain after an
// import, and uploads that end in a failure text are failures.
#include "CliFixture.h"
#include "support/FtpServers.h"

using namespace Qt::StringLiterals;

namespace {

QByteArray withLf(QByteArray bytes)
{
    return bytes.replace("\r\n", "\n");
}

QByteArray iniFor(const FtpServer &server, const QByteArray &directory)
{
    return "[FTPSettings]\r\nserver=" + server.address().toUtf8() + "\r\ndirectory=" + directory +
           "\r\n[HTMLCreation]\r\nKills=on\r\nRatio=on\r\nTop10=on\r\n";
}

} // namespace

TEST_F(CliFixture, ImportChainStoresTheRowsUploadsThePagesAndArchivesTheScoreFile)
{
    PyFtpServer server;
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    ASSERT_TRUE(QDir().mkpath(server.filePath(u"www"_s)));
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    writeIni(iniFor(server, "www"));
    writeFile(scoreFile(), block("Canyon", 1, {{"Alpha", 7, 2}, {"Bravo", 5, 0}}) +
                               block("Ice Flats", 2, {{"Alpha", 2, 2}, {"Charlie", 9, 1}}));

    const Result r = run({u"--game-folder"_s, gameFolder, u"import"_s, u"--chain"_s, u"--user"_s, server.user()},
                         {u"RANKHOLD_FTP_PASSWORD="_s + server.password()});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, (QStringList{u"Importing Scores.txt"_s, u"Idle"_s, u"Stored 4 new rows; 0 already stored."_s,
                                  u"Exporting HTML"_s, u"Idle"_s, u"FTP: Starting"_s, u"FTP: Connected"_s,
                                  u"FTP: Filetransfer Started"_s, u"FTP: Filetransfer OK"_s}));
    EXPECT_EQ(rowCount(), 4);
    EXPECT_FALSE(QFile::exists(scoreFile()));
    EXPECT_TRUE(QFile::exists(archived(1)));
    // The enabled pages, and only those, are on the server as written locally.
    for (const QString &page : {u"rankhold_top10.html"_s, u"rankhold_kills.html"_s, u"rankhold_ratio.html"_s}) {
        const QByteArray local = readFile(programFolder + u'/' + page);
        EXPECT_FALSE(local.isEmpty()) << page.toStdString();
        EXPECT_EQ(withLf(readFile(server.filePath(u"www/"_s + page))), withLf(local)) << page.toStdString();
    }
    EXPECT_FALSE(QFile::exists(server.filePath(u"www/rankhold_deaths.html"_s)));
    EXPECT_TRUE(readFile(programFolder + u"/rankhold_kills.html"_s).contains("Charlie"));

    const Result info = run({u"info"_s});
    ASSERT_EQ(info.out.size(), 3);
    EXPECT_EQ(info.out.at(0), u"Number of records: 4"_s);
    EXPECT_EQ(info.out.at(1), u"Number of players: 3"_s);
}

TEST_F(CliFixture, UploadThatEndsInAFailureTextExitsWithOne)
{
    PyFtpServer server;
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    writeIni(iniFor(server, "missing"));
    ASSERT_EQ(run({u"export"_s}).exitCode, 0);

    // A refused log-in: the password from a file, and a wrong one.
    const QString passwordFile = dir.filePath(u"password"_s);
    writeFile(passwordFile, "not-" + server.password().toUtf8() + "\n");
    QFile::setPermissions(passwordFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const Result refused = run({u"upload"_s, u"--user"_s, server.user(), u"--password-file"_s, passwordFile});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, (QStringList{u"FTP: Starting"_s, u"FTP: Wrong user or password"_s}));
    // The text stands for several causes; stderr says which one it was.
    EXPECT_EQ(refused.err, u"530 Authentication failed.\n"_s);

    // The right password (its line break is not part of it), a directory the
    // server does not have: the pages go to the log-in folder, yet it failed.
    writeFile(passwordFile, server.password().toUtf8() + "\r\n");
    const Result noDir =
        run({u"export"_s, u"--upload"_s, u"--user"_s, server.user(), u"--password-file"_s, passwordFile});
    EXPECT_EQ(noDir.exitCode, 1);
    EXPECT_TRUE(noDir.out.contains(u"FTP: Directory not found"_s)) << noDir.out.join(u'|').toStdString();
    EXPECT_FALSE(noDir.out.contains(u"FTP: Filetransfer OK"_s));
    EXPECT_TRUE(noDir.err.startsWith(u"550 "_s)) << noDir.err.toStdString();
    EXPECT_TRUE(QFile::exists(server.filePath(u"rankhold_kills.html"_s)));
}
