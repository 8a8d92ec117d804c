#include "gamehost/GameHostFixture.h"
#include "settings/GameHostSettings.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

namespace {

const QByteArray kBlock = scoreBlock("Canyon", "03/15/02", "21:04:11", "Deathmatch",
                                     {playerRow("Raptor", "12", "7", "2"), playerRow("Nomad", "3", "1", "4")});

} // namespace

// A host that drops both connections in the middle of the file: the round
// ends within the time-out and says why; nothing is stored, archived or
// remembered as read, so the next round starts from the same place.
TEST_F(GameHostFixture, HostThatDropsMidTransferChangesNothing)
{
    ScriptedFtpServer server(u"drop_mid_retr"_s);
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    writeFile(server.filePath(u"scores.txt"_s), kBlock + kBlock);
    useHost(u"ftp://ranker@127.0.0.1:%1/"_s.arg(server.port()), {}, true);
    QElapsedTimer clock;
    clock.start();
    const GameHostRoundOutcome r = round();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(r.reached);
    EXPECT_TRUE(r.problem.contains(u"RETR scores.txt"_s)) << r.problem.toStdString();
    EXPECT_EQ(count(), 0);
    EXPECT_FALSE(QFile::exists(archived(1)));
    EXPECT_FALSE(QFile::exists(programFolder + u"/gamehost/scores.txt"_s));
}

TEST_F(GameHostFixture, HostThatIsDownIsNamedWithItsCause)
{
    useHost(u"ftp://ranker@127.0.0.1:1/"_s, {});
    const GameHostRoundOutcome r = round();
    EXPECT_FALSE(r.reached);
    EXPECT_EQ(r.problem, u"connect to 127.0.0.1:1: 10061:Connection refused"_s);
}

// A read-only account: the round notices that it may not rename, says so
// once, and from then on reads only what is appended (REST), with the size
// and time alone when nothing is.
TEST_F(GameHostFixture, ReadOnlyAccountFetchesOnlyWhatWasAppended)
{
    PyFtpServer server;
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    // More than the last part that is read again to check it.
    const QByteArray history = kBlock.repeated(40);
    writeFile(server.filePath(u"scores.txt"_s), history);
    HostLogIn logIn;
    logIn.password = server.password();
    useHost(u"ftp://%1@127.0.0.1:%2/"_s.arg(PyFtpServer::readOnlyUser()).arg(server.port()), logIn);

    const GameHostRoundOutcome first = round();
    EXPECT_TRUE(first.reached) << first.problem.toStdString();
    EXPECT_FALSE(first.note.isEmpty());
    EXPECT_EQ(first.bytesFetched, history.size());
    EXPECT_EQ(count(), 2);

    const GameHostRoundOutcome idle = round();
    EXPECT_EQ(idle.transfers, 0);
    EXPECT_TRUE(idle.note.isEmpty());

    const QByteArray second =
        scoreBlock("Ice Flats", "03/15/02", "21:30:00", "Deathmatch", {playerRow("Raptor", "1", "2", "3")});
    QFile file(server.filePath(u"scores.txt"_s));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(second);
    file.close();
    const GameHostRoundOutcome appended = round();
    // The last part read, to check it is unchanged, and the new map.
    EXPECT_EQ(appended.bytesFetched, second.size() + 4096);
    EXPECT_EQ(appended.transfers, 1);
    EXPECT_EQ(count(), 3);
    EXPECT_EQ(archivedBytes(), history + second);
    EXPECT_TRUE(server.commands().contains(u"TYPE I"_s));
    EXPECT_FALSE(server.commands().filter(u"REST "_s).isEmpty());

    // Replaced by a shorter file: read from its start.
    const QByteArray fresh =
        scoreBlock("Oasis", "03/16/02", "10:00:00", "Deathmatch", {playerRow("Nomad", "5", "5", "5")});
    writeFile(server.filePath(u"scores.txt"_s), fresh);
    round();
    EXPECT_EQ(count(), 4);
    EXPECT_EQ(archivedBytes(), history + second + fresh);
}

// A file staged on the host by a round that was cut off goes first, then
// the game's new scores.txt; each is deleted there once archived.
TEST_F(GameHostFixture, StagedFileLeftOnTheHostIsFetchedFirst)
{
    PyFtpServer server;
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    const QByteArray later = scoreBlock("Oasis", "03/16/02", "10:00:00", "Deathmatch", {playerRow("x", "1", "1", "1")});
    writeFile(server.filePath(u"scores.txt.rankhold"_s), kBlock);
    writeFile(server.filePath(u"scores.txt"_s), later);
    HostLogIn logIn;
    logIn.password = server.password();
    useHost(u"ftp://%1@127.0.0.1:%2/"_s.arg(server.user()).arg(server.port()), logIn);
    EXPECT_TRUE(round().reached);
    EXPECT_EQ(readFile(archived(1)), kBlock);
    EXPECT_FALSE(QFile::exists(server.filePath(u"scores.txt.rankhold"_s)));
    EXPECT_TRUE(QFile::exists(server.filePath(u"scores.txt"_s)));
    EXPECT_TRUE(round().reached);
    EXPECT_EQ(readFile(archived(2)), later);
    EXPECT_EQ(count(), 3);
    EXPECT_TRUE(QDir(server.root()).entryList({u"scores*"_s}, QDir::Files).isEmpty());
}

// A certificate of an ftps:// game host that the operator trusts when asked
// is kept in [GameHost], and not asked about again.
TEST_F(GameHostFixture, TrustedCertificateOfAGameHostIsKept)
{
    PyFtpServer server(0, true);
    ASSERT_TRUE(server.isRunning()) << server.errorText().toStdString();
    writeFile(server.filePath(u"scores.txt"_s), kBlock);
    HostLogIn logIn;
    logIn.password = server.password();
    useHost(u"ftps://%1@127.0.0.1:%2/"_s.arg(server.user()).arg(server.port()), logIn, true);
    host.trustCertificates = true;
    EXPECT_TRUE(round().reached);
    EXPECT_EQ(host.certificateQuestions, QStringList{server.certificate().fingerprint});
    EXPECT_EQ(readGameHostSettings(state.programFolder).fingerprint, server.certificate().fingerprint);
    EXPECT_TRUE(round().reached);
    EXPECT_EQ(host.certificateQuestions.size(), 1);
    EXPECT_EQ(count(), 2);
}
