#include "UploadFixture.h"

#include "ftp/FtpClient.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

// Faults that real servers do not produce on demand, played by ftp_fake.py.
class ScriptedUpload : public UploadFixture
{
protected:
    void start(const QString &scenario)
    {
        server = std::make_unique<ScriptedFtpServer>(scenario);
        ASSERT_TRUE(server->isRunning()) << server->errorText().toStdString();
    }
    QStringList commandWords() const
    {
        QStringList words;
        for (const QString &line : server->commands())
            words << line.section(u' ', 0, 0);
        return words;
    }

    std::unique_ptr<ScriptedFtpServer> server;
};

TEST_F(ScriptedUpload, MultiLineGreetingIsReadBeforeUser)
{
    start(u"multiline_greeting"_s);
    writePage(0);
    EXPECT_TRUE(uploader.upload(server->settings(), ProgramFolder(programFolder.path())).ok);
    EXPECT_EQ(commandWords(), (QStringList{u"USER"_s, u"PASS"_s, u"PORT"_s, u"STOR"_s, u"QUIT"_s}));
    expectStored(*server, 0);
}

TEST_F(ScriptedUpload, UserAnsweredWith230SendsNoPassword)
{
    start(u"user230"_s);
    writePage(2);
    EXPECT_TRUE(uploader.upload(server->settings(), ProgramFolder(programFolder.path())).ok);
    EXPECT_FALSE(commandWords().contains(u"PASS"_s));
    EXPECT_TRUE(shown(kConnected));
}

TEST_F(ScriptedUpload, DirectoryChangeAnswered400Fails)
{
    start(u"cwd400"_s);
    writePage(0);
    EXPECT_FALSE(uploader.upload(server->settings(u"www"_s), ProgramFolder(programFolder.path())).ok);
    EXPECT_EQ(host.activityText, kDirNotFound);
    EXPECT_TRUE(server->commands().contains(u"CWD www"_s));
    expectStored(*server, 0);
}

TEST_F(ScriptedUpload, ActiveModeNamesTheListenerInPort)
{
    start(u"normal"_s);
    writePage(0);
    EXPECT_TRUE(uploader.upload(server->settings(), ProgramFolder(programFolder.path())).ok);
    const QStringList lines = server->commands();
    const auto port =
        std::find_if(lines.begin(), lines.end(), [](const QString &l) { return l.startsWith(u"PORT "_s); });
    ASSERT_NE(port, lines.end());
    const QStringList numbers = port->mid(5).split(u',');
    ASSERT_EQ(numbers.size(), 6);
    EXPECT_EQ(numbers.mid(0, 4), (QStringList{u"127"_s, u"0"_s, u"0"_s, u"1"_s}));
    for (const QString &n : numbers) {
        bool ok = false;
        const int v = n.toInt(&ok);
        EXPECT_TRUE(ok && v >= 0 && v <= 255) << n.toStdString();
    }
}

TEST_F(ScriptedUpload, PassiveModeConnectsToTheConfiguredHostNotTheReplysAddress)
{
    start(u"pasv_other_address"_s);
    uploader.ftpClient().Passive = true;
    uploader.setTimeOut(2000);
    writeAllPages();
    EXPECT_TRUE(uploader.upload(server->settings(), ProgramFolder(programFolder.path())).ok);
    for (int i = 0; i < 7; ++i)
        expectStored(*server, i);
}

TEST_F(ScriptedUpload, RefusedThirdStoreEndsTheTransfers)
{
    start(u"refuse_third_store"_s);
    writeAllPages();
    EXPECT_FALSE(uploader.upload(server->settings(), ProgramFolder(programFolder.path())).ok);
    EXPECT_EQ(host.activityText, kFailed);
    EXPECT_FALSE(shown(kOk));
    expectStored(*server, 0);
    expectStored(*server, 1);
    for (int i = 2; i < 7; ++i)
        EXPECT_FALSE(stored(*server, i)) << i;
    EXPECT_EQ(commandWords().count(u"STOR"_s), 3);
    EXPECT_EQ(commandWords().last(), u"QUIT"_s);
    EXPECT_EQ(host.progress, 0);
}

TEST_F(ScriptedUpload, FinalReply552FailsTheStore)
{
    start(u"final552"_s);
    writeAllPages();
    EXPECT_FALSE(uploader.upload(server->settings(), ProgramFolder(programFolder.path())).ok);
    EXPECT_EQ(host.activityText, kFailed);
    EXPECT_FALSE(shown(kOk));
    EXPECT_EQ(commandWords().count(u"STOR"_s), 1);
}

TEST_F(ScriptedUpload, SilentServerEndsByTimeOut)
{
    start(u"silent_after_stor"_s);
    uploader.setTimeOut(700);
    writeAllPages();
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(uploader.upload(server->settings(), ProgramFolder(programFolder.path())).ok);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(host.activityText, kFailed);
    EXPECT_FALSE(uploader.ftpClient().connected());
    EXPECT_FALSE(timer3.isActive());
}

TEST_F(ScriptedUpload, ServerSilentAfterItsGreetingEndsTheLogIn)
{
    start(u"silent_after_greeting"_s);
    uploader.setTimeOut(500);
    writePage(0);
    EXPECT_FALSE(uploader.upload(server->settings(), ProgramFolder(programFolder.path())).ok);
    EXPECT_EQ(host.activityTexts, (QStringList{kStarting, kWrongLogin}));
    EXPECT_FALSE(uploader.ftpClient().connected());
}

TEST_F(ScriptedUpload, ConnectionDroppedMidTransferFailsTheUpload)
{
    start(u"drop_mid_transfer"_s);
    uploader.setTimeOut(3000);
    writePage(0, 200000); // about 7 MB: the reset comes while it is being sent
    writePage(1);
    EXPECT_FALSE(uploader.upload(server->settings(), ProgramFolder(programFolder.path())).ok);
    EXPECT_EQ(host.activityText, kFailed);
    EXPECT_FALSE(uploader.ftpClient().connected());
    EXPECT_EQ(commandWords().count(u"STOR"_s), 1);
}

TEST_F(ScriptedUpload, RefusedQuitReachesTheCaller)
{
    start(u"quit_refused"_s);
    writePage(0);
    try {
        (void)uploader.upload(server->settings(), ProgramFolder(programFolder.path()));
        FAIL() << "a refused QUIT was swallowed";
    } catch (const EFtpError &e) {
        EXPECT_EQ(e.message(), u"500 Not leaving"_s);
    }
    EXPECT_EQ(host.activityText, kOk);
    EXPECT_FALSE(uploader.ftpClient().connected());
    EXPECT_FALSE(uploader.isBusy());
}

// The client on its own, for what the upload does not reach.
TEST(FtpClient, StoreUnderItsOwnNameAndNoDataConnectionAfterwards)
{
    ScriptedFtpServer server(u"normal"_s);
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    QTemporaryDir folder;
    const QString local = folder.path() + u"/page.html"_s;
    writeFile(local, "hello\r\n");

    TFtpClient client;
    client.Host = server.host();
    client.Port = server.port();
    client.UserID = u"u"_s;
    client.Password = u"p"_s;
    client.TimeOut = 3000;
    QList<int> successes;
    client.OnSuccess = [&](int kind) { successes << kind; };
    client.Connect();
    client.ChangeDir(u"x"_s);
    client.Upload(local, QString());
    EXPECT_FALSE(client.hasDataConnection());
    EXPECT_EQ(client.BytesSent(), 0u);
    EXPECT_EQ(client.bytesTotal(), 7u);
    EXPECT_EQ(successes, (QList<int>{FtpKind::ChangeDir, FtpKind::Store}));
    EXPECT_EQ(readFile(server.filePath(u"page.html"_s)), QByteArray("hello\r\n"));
    client.Disconnect();
    EXPECT_FALSE(client.connected());
    EXPECT_TRUE(server.commands().contains(u"STOR page.html"_s));
}

TEST(FtpClient, FailureHandlerCanAbsorbARefusal)
{
    ScriptedFtpServer server(u"cwd400"_s);
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    TFtpClient client;
    client.Host = server.host();
    client.Port = server.port();
    client.UserID = u"u"_s;
    client.Password = u"p"_s;
    client.Connect();
    EXPECT_THROW(client.ChangeDir(u"a"_s), EFtpError);
    EXPECT_EQ(client.replyNumber(), 400);
    int failures = 0;
    client.OnFailure = [&](bool &handled, int kind) {
        ++failures;
        EXPECT_EQ(kind, FtpKind::ChangeDir);
        handled = true;
    };
    EXPECT_NO_THROW(client.ChangeDir(u"b"_s));
    EXPECT_EQ(failures, 1);
    client.Disconnect();
}

TEST(FtpClient, ProxyAndFirewallLogIns)
{
    ScriptedFtpServer server(u"normal"_s);
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    struct Variant {
        TFirewallType type;
        bool authenticate;
        QStringList expected;
    };
    const QList<Variant> variants{
        {fwUser, false, {u"USER me@ftp.example.invalid"_s, u"PASS secret"_s}},
        {fwOpen, false, {u"OPEN ftp.example.invalid"_s, u"USER me"_s, u"PASS secret"_s}},
        {fwSite, true, {u"USER fw"_s, u"PASS fwpass"_s, u"SITE ftp.example.invalid"_s, u"USER me"_s, u"PASS secret"_s}},
    };
    int before = 0;
    for (const Variant &v : variants) {
        TFtpClient client;
        // The control connection goes to the proxy; the real host is only named.
        client.Host = u"ftp.example.invalid"_s;
        client.Proxy = server.host();
        client.ProxyPort = quint16(server.port());
        client.FirewallType = v.type;
        client.FWAuthenticate = v.authenticate;
        client.FWUserID = u"fw"_s;
        client.FWPassword = u"fwpass"_s;
        client.UserID = u"me"_s;
        client.Password = u"secret"_s;
        int connects = 0;
        client.OnConnect = [&](TAsyncSocket &) { ++connects; };
        client.Connect();
        EXPECT_EQ(connects, 1);
        client.Disconnect();
        const QStringList all = server.commands();
        EXPECT_EQ(all.mid(before, v.expected.size()), v.expected);
        before = int(all.size());
    }
}
