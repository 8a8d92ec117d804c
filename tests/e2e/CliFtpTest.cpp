// rankhold-cli and the FTP server: why an upload failed, on stderr; what a
// silent or endless server costs; FTP over TLS from the command line; the
// password file.
#include "CliFixture.h"
#include "support/FtpServers.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace {

QByteArray iniFor(const QString &server)
{
    return "[FTPSettings]\r\nserver=" + server.toUtf8() + "\r\n[HTMLCreation]\r\nKills=on\r\n";
}

} // namespace

TEST_F(CliFixture, FailedUploadsSayWhyOnStderr)
{
    int closedPort = 0;
    {
        PyFtpServer gone;
        closedPort = gone.port();
    }
    writeIni(iniFor(u"127.0.0.1:"_s + QString::number(closedPort)));
    const Result refused = run({u"upload"_s});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, (QStringList{u"FTP: Starting"_s, u"FTP: Wrong user or password"_s}));
    EXPECT_EQ(refused.err, u"connect to 127.0.0.1:%1: 10061:Connection refused\n"_s.arg(closedPort));

    ScriptedFtpServer closing(u"close_after_user"_s);
    ASSERT_TRUE(closing.isRunning()) << closing.errorText().toStdString();
    writeIni(iniFor(closing.address()));
    const Result closed = run({u"upload"_s});
    EXPECT_EQ(closed.exitCode, 1);
    EXPECT_EQ(closed.out, (QStringList{u"FTP: Starting"_s, u"FTP: Wrong user or password"_s}));
    EXPECT_EQ(closed.err, u"reply to USER: the server closed the connection\n"_s);

    // A server that quotes the refused command never puts the password on stderr.
    ScriptedFtpServer echoing(u"pass_echoed"_s);
    ASSERT_TRUE(echoing.isRunning()) << echoing.errorText().toStdString();
    writeIni(iniFor(echoing.address()));
    const Result echoed = run({u"upload"_s, u"--user"_s, u"webuser"_s}, {u"RANKHOLD_FTP_PASSWORD=Tr0ub4dor&3"_s});
    EXPECT_EQ(echoed.exitCode, 1);
    EXPECT_EQ(echoed.err, u"530 Login incorrect: 'PASS ***'\n"_s);
}

TEST_F(CliFixture, PasswordFileThatOthersMayReadIsRefused)
{
    PyFtpServer server;
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    writeIni(iniFor(server.address()));
    const QString passwordFile = dir.filePath(u"password"_s);
    writeFile(passwordFile, server.password().toUtf8() + "\n");
    QFile::setPermissions(passwordFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    const Result r = run({u"upload"_s, u"--user"_s, server.user(), u"--password-file"_s, passwordFile});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty()) << r.out.join(u'|').toStdString(); // nothing was tried
    EXPECT_TRUE(r.err.contains(u"chmod 600 "_s + passwordFile)) << r.err.toStdString();

    QFile::setPermissions(passwordFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(run({u"upload"_s, u"--user"_s, server.user(), u"--password-file"_s, passwordFile}).exitCode, 0);
}

TEST_F(CliFixture, FtpsServerTrustedByTheFingerprintThatFtpFingerprintShows)
{
    PyFtpServer server(0, true);
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    const QByteArray ini = iniFor(u"ftps://"_s + server.address());
    writeIni(ini);
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    ASSERT_EQ(run({u"export"_s}).exitCode, 0);
    const QStringList login{u"upload"_s, u"--user"_s, server.user()};
    const QStringList password{u"RANKHOLD_FTP_PASSWORD="_s + server.password(), u"SSL_CERT_FILE=/dev/null"_s};

    const Result untrusted = run(login, password);
    EXPECT_EQ(untrusted.exitCode, 1);
    EXPECT_EQ(untrusted.out, (QStringList{u"FTP: Starting"_s, u"FTP: Certificate not trusted"_s}));
    EXPECT_TRUE(untrusted.err.contains(server.certificate().fingerprint)) << untrusted.err.toStdString();

    const Result shown = run({u"ftp-fingerprint"_s}, {u"SSL_CERT_FILE=/dev/null"_s});
    EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    ASSERT_GE(shown.out.size(), 4);
    EXPECT_EQ(shown.out.at(0), u"SHA-256 fingerprint: "_s + server.certificate().fingerprint);
    EXPECT_TRUE(shown.out.at(1).startsWith(u"Subject: "_s) && shown.out.at(1).contains(u"CN=localhost"_s));
    EXPECT_TRUE(shown.out.at(3).startsWith(u"Expires: 20"_s)) << shown.out.at(3).toStdString();
    EXPECT_EQ(readFile(programFolder + u"/Rankhold.ini"_s), ini); // it stores nothing

    writeIni(ini + "[FTPSettings]\r\nfingerprint=" + server.certificate().fingerprint.toUtf8() + "\r\n");
    const Result pinned = run(login, password);
    EXPECT_EQ(pinned.exitCode, 0) << pinned.err.toStdString();
    EXPECT_EQ(pinned.out.last(), u"FTP: Filetransfer OK"_s);
    EXPECT_TRUE(QFile::exists(server.filePath(u"rankhold_kills.html"_s)));
}

// This one waits for the real 60 s time-out.
TEST_F(CliFixture, SilentServerEndsTheUploadWithinSeventySeconds)
{
    ScriptedFtpServer server(u"silent_after_greeting"_s);
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    writeIni(iniFor(server.address()));
    QElapsedTimer clock;
    clock.start();
    const Result r = run({u"upload"_s});
    EXPECT_LT(clock.elapsed(), 70000);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, (QStringList{u"FTP: Starting"_s, u"FTP: Wrong user or password"_s}));
    EXPECT_EQ(r.err, u"reply to USER: no complete reply within 60 s\n"_s);
}

TEST_F(CliFixture, WatchStoppedInTheMiddleOfAnUploadEndsWithinSecondsWhateverTheServerDoes)
{
    // A greeting that never ends, and a server whose every reply comes 20 s
    // late (each within the time-out, the whole upload for minutes).
    for (const QString &scenario : {u"endless_reply@10"_s, u"slow_replies@20"_s}) {
        SCOPED_TRACE(scenario.toStdString());
        ScriptedFtpServer server(scenario);
        ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
        writeIni(iniFor(server.address()));
        QFile::remove(programFolder + u"/Rankhold.mdb"_s);
        ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
        writeFile(scoreFile(), block("Canyon", 1, {{"Alpha", 7, 2}}));

        QProcess watch;
        start(watch, {u"--game-folder"_s, gameFolder, u"watch"_s, u"--chain"_s, u"--interval"_s, u"1"_s});
        QString out;
        ASSERT_TRUE(waitForLine(watch, out, u"FTP: Starting"_s, 30000)) << out.toStdString();
        QElapsedTimer clock;
        clock.start();
        watch.terminate(); // SIGTERM, as systemd stops the service
        ASSERT_TRUE(watch.waitForFinished(120000));
        EXPECT_LT(clock.elapsed(), 8000) << "the stop waited for the server";
        EXPECT_EQ(watch.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(watch.exitCode(), 0);
        const QString err = QString::fromLocal8Bit(watch.readAllStandardError());
        EXPECT_TRUE(err.contains(u"the program is stopping"_s)) << err.toStdString();
        // What the round had done stays done: the row, the page whole on disk, the file archived.
        EXPECT_EQ(rowCount(), 1);
        EXPECT_TRUE(QFile::exists(programFolder + u"/rankhold_kills.html"_s));
        EXPECT_FALSE(QFile::exists(scoreFile()));
    }
}
