#include "UploadFixture.h"

#include "ftp/FtpClient.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace {

// One misbehaving server and how the upload must end.
struct Fault {
    const char *scenario;
    bool passive;
    int timeOutMs;
    int pageLines; // one page of this many lines (about 40 bytes each)
    bool ok;
    QStringList texts;  // every activity text, in order
    int maxElapsedMs;   // the upload ends within this
    const char *cause;  // a part of the cause line
    const char *absent; // a command the server must never see ("" for none)
};

const QList<Fault> &faults()
{
    static const QList<Fault> all{
        // Replies as the FTP standard has them.
        {"freetext_greeting", false, 3000, 40, true, {kStarting, kConnected, kStarted, kOk}, 3000, "", ""},
        {"other_digits_greeting", false, 3000, 40, true, {kStarting, kConnected, kStarted, kOk}, 3000, "", ""},
        {"close_after_user",
         false,
         3000,
         40,
         false,
         {kStarting, kWrongLogin},
         2000,
         "reply to USER: the server closed the connection",
         "PASS"},
        {"no_number", false, 3000, 40, false, {kStarting, kWrongLogin}, 2000, "not an FTP reply: -230", "STOR"},
        // A whole reply within one time-out, and a size limit.
        {"endless_reply@0.1",
         false,
         1500,
         40,
         false,
         {kStarting, kWrongLogin},
         2700,
         "greeting: no complete reply",
         "USER"},
        {"flood_reply",
         false,
         30000,
         40,
         false,
         {kStarting, kWrongLogin},
         10000,
         "greeting: longer than 1 MiB",
         "USER"},
        // One time-out for a silent server, not a second one for QUIT.
        {"silent_after_greeting", false, 1000, 40, false, {kStarting, kWrongLogin}, 1700, "reply to USER", "PASS"},
        // The data connection: its wait has a time-out and watches the control connection.
        {"no_data_connection",
         false,
         800,
         40,
         false,
         {kStarting, kConnected, kStarted, kFailed},
         2500,
         "no data connection from the server",
         ""},
        {"close_awaiting_data",
         false,
         30000,
         40,
         false,
         {kStarting, kConnected, kStarted, kFailed},
         3000,
         "the server closed the connection",
         ""},
        // PASV that leaves nothing to connect to.
        {"pasv425",
         true,
         3000,
         40,
         false,
         {kStarting, kConnected, kStarted, kFailed},
         3000,
         "425 Cannot open passive connection",
         "STOR"},
        {"pasv_garbled",
         true,
         3000,
         40,
         false,
         {kStarting, kConnected, kStarted, kFailed},
         3000,
         "227 Entering Passive Mode (127,0,0,1,high,low).",
         "STOR"},
        // Each piece of a file sent has the time-out: 20 MB fill any buffers.
        {"stall_data",
         true,
         800,
         500000,
         false,
         {kStarting, kConnected, kStarted, kFailed},
         4000,
         "sending rankhold_top10.html: the server took no data",
         ""},
        // The server's final word on a store is judged.
        {"final451",
         false,
         3000,
         40,
         false,
         {kStarting, kConnected, kStarted, kFailed},
         3000,
         "451 Local error in processing",
         ""},
        {"final_silent",
         false,
         800,
         40,
         false,
         {kStarting, kConnected, kStarted, kFailed},
         2500,
         "reply to STOR rankhold_top10.html: no complete reply",
         ""},
        {"final_close",
         false,
         3000,
         40,
         false,
         {kStarting, kConnected, kStarted, kFailed},
         3000,
         "reply to STOR rankhold_top10.html: the server closed the connection",
         ""},
    };
    return all;
}

std::string faultName(const ::testing::TestParamInfo<int> &info)
{
    std::string name = faults().at(info.param).scenario;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

} // namespace

class ServerFault : public UploadFixture, public ::testing::WithParamInterface<int>
{
};

TEST_P(ServerFault, EndsWithTheRightStatusInTimeAndSaysWhy)
{
    const Fault &f = faults().at(GetParam());
    ScriptedFtpServer server(QString::fromLatin1(f.scenario));
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    TFtpClient &client = uploader.ftpClient();
    client.Passive = f.passive;
    uploader.setTimeOut(f.timeOutMs);
    writePage(0, f.pageLines);
    writePage(1);
    // Without the behaviour under test some of these would wait for ever.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        client.Abort();
        client.Cancel();
    });
    watchdog.start(f.maxElapsedMs + 5000);

    QElapsedTimer clock;
    clock.start();
    const UploadOutcome outcome = uploadTo(server.settings());
    EXPECT_EQ(outcome.ok, f.ok);
    EXPECT_LT(clock.elapsed(), f.maxElapsedMs);
    EXPECT_EQ(host.activityTexts, f.texts);
    EXPECT_FALSE(client.connected());
    EXPECT_FALSE(uploader.isBusy());
    if (f.ok) {
        EXPECT_EQ(outcome.cause, QString());
        expectStored(server, 0);
        EXPECT_TRUE(server.commands().contains(u"PASS "_s + server.password()));
    } else {
        EXPECT_TRUE(outcome.cause.contains(QString::fromLatin1(f.cause))) << outcome.cause.toStdString();
    }
    const QString absent = QString::fromLatin1(f.absent);
    if (!absent.isEmpty()) {
        for (const QString &line : server.commands())
            EXPECT_FALSE(line.startsWith(absent)) << line.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ServerFault, ::testing::Range(0, int(faults().size())), faultName);

// Whoever reaches the listening port first, only the server gets the page.
TEST_F(UploadFixture, ActiveDataConnectionIsTakenFromTheServerOnly)
{
    ScriptedFtpServer server(u"stranger_data"_s);
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    uploader.setTimeOut(3000);
    writePage(0);
    const UploadOutcome outcome = uploadTo(server.settings());
    EXPECT_TRUE(outcome.ok) << outcome.cause.toStdString();
    expectStored(server, 0);
    ASSERT_TRUE(QFile::exists(server.filePath(u"stranger.bin"_s)));
    EXPECT_EQ(readFile(server.filePath(u"stranger.bin"_s)), QByteArray());
}
