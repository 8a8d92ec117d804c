// The webhook on a shared database: there the insert itself leaves out rows
// stored already, so a score file read again must not tell its old games again.
#include "../scores/GeneratedScores.h"
#include "PostgresFixture.h"
#include "support/WebhookServer.h"

using namespace Qt::StringLiterals;

TEST_F(PostgresTest, ScoreFileReadAgainPostsOnlyItsNewGame)
{
    WebhookServer hook;
    ASSERT_TRUE(hook.isRunning()) << hook.errorText().toStdString();
    const QString folder = path(u"program"_s);
    writeFile(folder + u"/Rankhold.ini"_s, rankingsIni(url) + "[Notify]\r\nurl=" + hook.url().toUtf8() + "\r\n");
    ASSERT_EQ(runCli(folder, {u"create-database"_s}).exitCode, 0);
    const QStringList import{u"--game-folder"_s, path(u"game"_s), u"import"_s};
    const QStringList trust{u"SSL_CERT_FILE="_s + hook.certificatePath()};
    // The file stays, as when it could not be archived, and the game appends to it.
    for (const int blocks : {1, 2}) {
        writeFile(path(u"game/scores.txt"_s), generated::blocks(0, blocks, 3));
        const Result r = runCli(folder, import, trust);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        QFile::remove(folder + u"/oldscores/scores.1"_s);
    }
    const QList<WebhookServer::Post> posts = hook.posts();
    ASSERT_EQ(posts.size(), 2);
    EXPECT_TRUE(posts[0].body[u"content"_s].toString().contains(u"Map 0"_s));
    EXPECT_TRUE(posts[1].body[u"content"_s].toString().contains(u"Map 1"_s));
}
