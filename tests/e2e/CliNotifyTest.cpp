// The chat webhook and status.json as an operator meets them: rankhold-cli
// posting to a local HTTPS server that its certificate is trusted by
// through SSL_CERT_FILE.
#include "CliFixture.h"
#include "portal/PortalNames.h"
#include "support/FtpServers.h"
#include "support/WebhookServer.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {

QString contentOf(const WebhookServer::Post &post)
{
    return post.body[u"content"_s].toString();
}

// Every file a run left in the folder, for a look for the token.
QByteArray everythingIn(const QString &folder)
{
    QByteArray all;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        all += readFile(it.next());
    return all;
}

class CliNotifyTest : public CliFixture
{
protected:
    void configure(const WebhookServer &hook, const QString &ftpServer)
    {
        writeIni("[FTPSettings]\r\nserver=" + ftpServer.toUtf8() +
                 "\r\n[HTMLCreation]\r\nKills=on\r\n[Notify]\r\nurl=" + hook.url().toUtf8() +
                 "\r\n[Portal]\r\nEnabled=on\r\nurl=https://example.org/ladder\r\n");
        environment = {u"SSL_CERT_FILE="_s + hook.certificatePath()};
    }
    Result runWith(const QStringList &arguments, const QString &password)
    {
        return run(arguments, environment + QStringList{u"RANKHOLD_FTP_PASSWORD="_s + password});
    }
    QStringList environment;
};

} // namespace

TEST_F(CliNotifyTest, PostsEachGameThenAFailureOnceAndItsMend)
{
    WebhookServer hook;
    ASSERT_TRUE(hook.isRunning()) << hook.errorText().toStdString();
    PyFtpServer ftp;
    ASSERT_TRUE(ftp.isRunning()) << ftp.errorText().toStdString();
    configure(hook, ftp.address());
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    writeFile(scoreFile(), block("Canyon", 1, {{"Raptor", 12, 2}, {"Viper", 3, 4}}) +
                               block("Oasis", 2, {{"Ghost", 2, 2}, {"*Vex*", 9, 1}, {"@everyone", 5, 5}}));

    const QStringList chain{u"--game-folder"_s, gameFolder, u"import"_s, u"--chain"_s, u"--user"_s, ftp.user()};
    const Result imported = runWith(chain, ftp.password());
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    QList<WebhookServer::Post> posts = hook.posts();
    ASSERT_EQ(posts.size(), 2);
    EXPECT_EQ(posts[0].path, u"/api/webhooks/1/"_s + hook.token());
    EXPECT_TRUE(contentOf(posts[0]).contains(u"Canyon"_s) && contentOf(posts[0]).contains(u"best player Raptor"_s))
        << contentOf(posts[0]).toStdString();
    // A name is text: its markdown escaped, no mention called.
    EXPECT_TRUE(contentOf(posts[1]).contains(u"best player \\*Vex\\*"_s)) << contentOf(posts[1]).toStdString();
    EXPECT_EQ(posts[1].body[u"allowed_mentions"_s].toObject()[u"parse"_s].toArray().size(), 0);
    const QJsonObject embed = posts[0].body[u"embeds"_s].toArray().at(0).toObject();
    EXPECT_EQ(embed[u"url"_s].toString(),
              u"https://example.org/ladder/"_s + portal::names::gamePage({u"03/15/02"_s, u"21:00001"_s, u"Canyon"_s}));

    const QJsonObject status = QJsonDocument::fromJson(readFile(programFolder + u"/status.json"_s)).object();
    EXPECT_EQ(status[u"lastImport"_s].toObject()[u"stored"_s].toInt(), 5);
    EXPECT_EQ(status[u"lastUpload"_s].toObject()[u"outcome"_s].toString(), u"ok"_s);
    const Result shown = run({u"status"_s});
    EXPECT_EQ(shown.exitCode, 0);
    EXPECT_TRUE(shown.out.join(u'\n').contains(u"5 rows stored, 0 already stored"_s))
        << shown.out.join(u'\n').toStdString();
    EXPECT_TRUE(readFile(programFolder + u"/portal/status.js"_s).startsWith("rankholdStatus({\"updated\":\"20"));

    // The same failure twice is told once; the mend once.
    const QStringList upload{u"upload"_s, u"--user"_s, ftp.user()};
    for (const QString &password : {u"wrong"_s, u"wrong"_s, ftp.password(), ftp.password()})
        runWith(upload, password);
    posts = hook.posts();
    ASSERT_EQ(posts.size(), 4);
    EXPECT_TRUE(contentOf(posts[2]).contains(u"Upload failed"_s)) << contentOf(posts[2]).toStdString();
    EXPECT_TRUE(posts[2].body[u"embeds"_s].toArray().at(0).toObject()[u"description"_s].toString().contains(u"530"_s));
    EXPECT_EQ(contentOf(posts[3]), u"Rankhold: uploads work again"_s);

    // The token is in no output, page or file of the program folder but Rankhold.ini.
    QFile::remove(programFolder + u"/Rankhold.ini"_s);
    EXPECT_FALSE(everythingIn(programFolder).contains(hook.token().toUtf8()));
    EXPECT_FALSE((imported.out.join(u'\n') + imported.err + shown.out.join(u'\n')).contains(hook.token()));
}

TEST_F(CliNotifyTest, BusyServerGetsThePostAfterRetryAfterAndASilentOneHoldsNothingUp)
{
    int closedPort = 0;
    {
        PyFtpServer gone;
        closedPort = gone.port();
    }
    for (const WebhookServer::Mode mode : {WebhookServer::Mode::Busy, WebhookServer::Mode::Silent}) {
        WebhookServer hook(mode);
        ASSERT_TRUE(hook.isRunning()) << hook.errorText().toStdString();
        configure(hook, u"127.0.0.1:"_s + QString::number(closedPort));
        QFile::remove(programFolder + u"/status.json"_s);
        QElapsedTimer clock;
        clock.start();
        const Result r = runWith({u"upload"_s}, u"x"_s);
        EXPECT_EQ(r.exitCode, 1); // the upload's failure, not the webhook's
        const QList<WebhookServer::Post> posts = hook.posts();
        if (mode == WebhookServer::Mode::Busy) {
            ASSERT_EQ(posts.size(), 2) << r.err.toStdString();
            EXPECT_EQ(posts[0].body, posts[1].body);
            EXPECT_GE(posts[1].time - posts[0].time, 1.0);
            EXPECT_FALSE(r.err.contains(u"Webhook"_s)) << r.err.toStdString();
        } else {
            EXPECT_EQ(posts.size(), 1);
            // One try that gives up after its time-out, with the address shown without its token.
            EXPECT_LT(clock.elapsed(), 45000);
            EXPECT_TRUE(r.err.contains(u"Webhook post not delivered to https://localhost:%1/api/webhooks/1/\u2026: "
                                       "answer from localhost: no answer within 10 s"_s.arg(QUrl(hook.url()).port())))
                << r.err.toStdString();
        }
    }
}

TEST_F(CliNotifyTest, WatchToldToStopWaitsForASilentWebhookOnlyBriefly)
{
    WebhookServer hook(WebhookServer::Mode::Silent);
    ASSERT_TRUE(hook.isRunning()) << hook.errorText().toStdString();
    configure(hook, u"127.0.0.1:1"_s);
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    writeFile(scoreFile(), block("Canyon", 1, {{"Raptor", 1, 1}}));
    QProcess watch;
    start(watch, {u"--game-folder"_s, gameFolder, u"watch"_s, u"--chain"_s, u"--interval"_s, u"1"_s}, environment);
    QString seen;
    ASSERT_TRUE(waitForLine(watch, seen, u"FTP: Wrong user or password"_s, 30000)) << seen.toStdString();
    ASSERT_TRUE(hook.waitForPosts(1, 10000)); // the game's post, never answered
    QElapsedTimer clock;
    clock.start();
    watch.terminate();
    ASSERT_TRUE(watch.waitForFinished(30000));
    EXPECT_LT(clock.elapsed(), 8000);
    EXPECT_EQ(watch.exitCode(), 0);
}
