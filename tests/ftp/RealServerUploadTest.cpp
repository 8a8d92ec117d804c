#include "UploadFixture.h"

#include "commands/AppState.h"
#include "commands/MainCommands.h"
#include "ftp/FtpClient.h"

#include <QDir>

using namespace Qt::StringLiterals;

namespace {

enum class Kind { Pyftpdlib, Vsftpd };

struct Case {
    Kind kind;
    bool passive;
};

std::string caseName(const ::testing::TestParamInfo<Case> &info)
{
    return std::string(info.param.kind == Kind::Pyftpdlib ? "pyftpdlib" : "vsftpd") +
           (info.param.passive ? "_passive" : "_active");
}

} // namespace

// The same uploads against pyftpdlib and vsftpd, in active and passive mode.
class RealServerUpload : public UploadFixture, public ::testing::WithParamInterface<Case>
{
protected:
    void SetUp() override
    {
        if (GetParam().kind == Kind::Pyftpdlib) {
            server = std::make_unique<PyFtpServer>();
        } else {
            if (const QString why = VsftpdServer::unavailableBecause(); !why.isEmpty())
                GTEST_SKIP() << why.toStdString();
            server = std::make_unique<VsftpdServer>();
        }
        ASSERT_TRUE(server->isRunning()) << server->errorText().toStdString();
        uploader.ftpClient().Passive = GetParam().passive;
    }

    std::unique_ptr<FtpServer> server;
};

TEST_P(RealServerUpload, StoresTheSevenPagesInTheDirectory)
{
    writeAllPages();
    // Larger than one 64 KiB piece, so the progress bar has something to show.
    writePage(0, 4000);
    server->makeFolder(u"www"_s);

    EXPECT_TRUE(uploader.upload(server->settings(u"www"_s), ProgramFolder(programFolder.path())).ok);

    EXPECT_EQ(host.activityTexts, (QStringList{kStarting, kConnected, kStarted, kOk}));
    for (int i = 0; i < 7; ++i)
        expectStored(*server, i, u"www"_s);
    EXPECT_EQ(host.progress, 0);
    EXPECT_FALSE(timer3.isActive());
    EXPECT_FALSE(uploader.isBusy());
    EXPECT_FALSE(uploader.ftpClient().connected());
    EXPECT_FALSE(uploader.ftpClient().hasDataConnection());
}

TEST_P(RealServerUpload, RefusedDirectoryStoresIntoTheLoginDirectory)
{
    writeAllPages();
    EXPECT_FALSE(uploader.upload(server->settings(u"no-such-folder"_s), ProgramFolder(programFolder.path())).ok);
    EXPECT_EQ(host.activityTexts, (QStringList{kStarting, kConnected, kDirNotFound}));
    for (int i = 0; i < 7; ++i)
        expectStored(*server, i);
}

TEST_P(RealServerUpload, MissingPagesAreSkipped)
{
    writePage(1);
    writePage(4);
    EXPECT_TRUE(uploader.upload(server->settings(), ProgramFolder(programFolder.path())).ok);
    EXPECT_EQ(host.activityText, kOk);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(stored(*server, i), i == 1 || i == 4) << i;
    expectStored(*server, 1);
    expectStored(*server, 4);
}

TEST_P(RealServerUpload, WrongPasswordEndsBeforeTheTransfers)
{
    writeAllPages();
    Settings settings = server->settings();
    settings.ftpPassword = u"not-the-password"_s;
    EXPECT_FALSE(uploader.upload(settings, ProgramFolder(programFolder.path())).ok);
    EXPECT_EQ(host.activityTexts, (QStringList{kStarting, kWrongLogin}));
    EXPECT_TRUE(host.progressValues.isEmpty());
    EXPECT_FALSE(uploader.ftpClient().connected());
    for (int i = 0; i < 7; ++i)
        EXPECT_FALSE(stored(*server, i));
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServerUpload,
                         ::testing::Values(Case{Kind::Pyftpdlib, false}, Case{Kind::Pyftpdlib, true},
                                           Case{Kind::Vsftpd, false}, Case{Kind::Vsftpd, true}),
                         caseName);

class UploadToPyftpdlib : public UploadFixture
{
protected:
    PyFtpServer server;
};

TEST_F(UploadToPyftpdlib, HostNameIsLookedUpDottedAddressIsNot)
{
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    writePage(0);
    Settings settings = server.settings();
    settings.ftpServer = u"localhost:"_s + QString::number(server.port());
    EXPECT_TRUE(uploader.upload(settings, ProgramFolder(programFolder.path())).ok);
    EXPECT_EQ(host.activityTexts, (QStringList{kStarting, kHostFound, kConnected, kStarted, kOk}));

    host.activityTexts.clear();
    EXPECT_TRUE(uploader.upload(server.settings(), ProgramFolder(programFolder.path())).ok);
    EXPECT_FALSE(shown(kHostFound));
    EXPECT_EQ(host.activityTexts.mid(0, 2), (QStringList{kStarting, kConnected}));
}

TEST_F(UploadToPyftpdlib, UnknownHostAndRefusedConnectionEndAtOnce)
{
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    writeAllPages();
    // A good upload first: its login must not carry over to the next ones.
    EXPECT_TRUE(uploader.upload(server.settings(), ProgramFolder(programFolder.path())).ok);

    Settings settings = server.settings();
    settings.ftpServer = u"rankhold-test.invalid"_s;
    host.activityTexts.clear();
    EXPECT_FALSE(uploader.upload(settings, ProgramFolder(programFolder.path())).ok);
    EXPECT_EQ(host.activityTexts, (QStringList{kStarting, kHostNotFound}));

    int closedPort = 0;
    {
        PyFtpServer gone;
        closedPort = gone.port();
    }
    settings.ftpServer = u"127.0.0.1:"_s + QString::number(closedPort);
    host.activityTexts.clear();
    EXPECT_FALSE(uploader.upload(settings, ProgramFolder(programFolder.path())).ok);
    EXPECT_EQ(host.activityTexts, (QStringList{kStarting, kWrongLogin}));
    EXPECT_FALSE(uploader.connected());

    // The same client connects again after the failures.
    EXPECT_TRUE(uploader.upload(server.settings(), ProgramFolder(programFolder.path())).ok);
}

TEST_F(UploadToPyftpdlib, NoPagesStillLogsInAndReportsOk)
{
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    EXPECT_TRUE(uploader.upload(server.settings(), ProgramFolder(programFolder.path())).ok);
    EXPECT_EQ(host.activityTexts, (QStringList{kStarting, kConnected, kStarted, kOk}));
    EXPECT_EQ(host.progressValues, (QList<int>{0}));
}

TEST_F(UploadToPyftpdlib, SecondUploadWhileOneRunsIsRefused)
{
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    writeAllPages();
    bool nested = true;
    bool busyDuring = false;
    QTimer::singleShot(0, [&] {
        busyDuring = uploader.isBusy();
        nested = uploader.upload(server.settings(), ProgramFolder(programFolder.path())).ok;
    });
    EXPECT_TRUE(uploader.upload(server.settings(), ProgramFolder(programFolder.path())).ok);
    EXPECT_TRUE(busyDuring);
    EXPECT_FALSE(nested);
    EXPECT_TRUE(shown(kUploadBusyText));
    EXPECT_EQ(host.activityText, kOk);
    for (int i = 0; i < 7; ++i)
        expectStored(server, i);
}

TEST_F(UploadToPyftpdlib, MenuUploadDuringAnUploadGetsTheUploadsRefusal)
{
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    writeAllPages();
    AppState state;
    state.programFolder = ProgramFolder(programFolder.path());
    QTimer progress;
    MainCommands commands(state, host, progress, [&] { return server.settings(); });
    bool nested = true;
    QTimer::singleShot(0, [&] { nested = commands.uploadPages().ok; });
    EXPECT_TRUE(commands.uploadPages().ok);
    EXPECT_FALSE(nested);
    EXPECT_TRUE(shown(kUploadBusyText));
}

TEST(UploaderDefaults, FiniteTimeOutAndTenMillisecondTicks)
{
    QTimer timer3;
    RecordingHost recorder;
    PageUploader uploader(timer3, recorder);
    EXPECT_EQ(uploader.ftpClient().TimeOut, 60000); // finite: a silent server cannot hold an unattended upload
    EXPECT_EQ(timer3.interval(), 10);
}
