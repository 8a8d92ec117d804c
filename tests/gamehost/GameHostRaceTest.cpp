#include "gamehost/GameHostFixture.h"

#include <QElapsedTimer>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

enum class Server { PyFtpd, PyFtpdReadOnly, VsftpdTls, Sshd };
enum class Mode { Move, Keep };

struct RaceCase {
    const char *name;
    Server server;
    Mode mode;
    bool keepOpen;
};

void PrintTo(const RaceCase &c, std::ostream *os)
{
    *os << c.name;
}

// A served game folder and how to log in to it.
struct Served {
    std::unique_ptr<FtpServer> ftp;
    std::unique_ptr<SshServer> ssh;
    QString folder, url, why;
    HostLogIn logIn;
};

Served serve(Server kind)
{
    Served s;
    if (kind == Server::Sshd) {
        s.ssh = std::make_unique<SshServer>();
        if (!s.ssh->isRunning()) {
            s.why = s.ssh->errorText();
            return s;
        }
        s.folder = s.ssh->root();
        s.url = s.ssh->url();
        s.logIn.identityFile = s.ssh->identityFile();
        s.logIn.knownHosts = s.ssh->writeKnownHosts(true);
        return s;
    }
    if (kind == Server::VsftpdTls) {
        if (const QString why = VsftpdServer::unavailableBecause(); !why.isEmpty()) {
            s.why = why;
            return s;
        }
        s.ftp = std::make_unique<VsftpdServer>(true);
    } else {
        s.ftp = std::make_unique<PyFtpServer>();
    }
    if (!s.ftp->isRunning()) {
        s.why = s.ftp->errorText();
        return s;
    }
    s.folder = s.ftp->root();
    const QString user = kind == Server::PyFtpdReadOnly ? PyFtpServer::readOnlyUser() : s.ftp->user();
    s.url = (kind == Server::VsftpdTls ? u"ftps://"_s : u"ftp://"_s) + user + u"@127.0.0.1:"_s +
            QString::number(s.ftp->port()) + u'/';
    s.logIn.password = s.ftp->password();
    s.logIn.fingerprint = s.ftp->certificate().fingerprint;
    return s;
}

constexpr int kWritingMs = 2500;

class GameHostRace : public GameHostFixture, public ::testing::WithParamInterface<RaceCase>
{
};

} // namespace

// The local race test's promise, across the network: whatever the game does
// while the rounds run, every row it wrote is stored once and every byte of
// it is in the local archive once.
TEST_P(GameHostRace, EveryRowStoredOnceEveryByteArchived)
{
    const RaceCase &c = GetParam();
    Served served = serve(c.server);
    if (!served.why.isEmpty())
        GTEST_SKIP() << served.why.toStdString();
    useHost(served.url, served.logIn, c.mode == Mode::Keep);
    QSqlQuery(db.connection()).exec(u"PRAGMA synchronous = OFF"_s);

    QProcess game;
    startGame(game, served.folder, c.keepOpen);
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(ledger()) && clock.elapsed() < 30000 && game.state() == QProcess::Running)
        QThread::msleep(5);
    ASSERT_TRUE(QFile::exists(ledger())) << "the stand-in game wrote nothing";

    int rounds = 0, unreachable = 0;
    QString problem;
    clock.start();
    while (clock.elapsed() < kWritingMs) {
        const GameHostRoundOutcome r = round();
        if (!r.reached) {
            ++unreachable;
            problem = r.problem;
        }
        ++rounds;
    }
    game.terminate();
    ASSERT_TRUE(game.waitForFinished(20000));
    // Rounds after the game stopped, until the host has nothing new.
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(round().reached);

    const QByteArray written = readFile(ledger());
    const QSet<QString> writtenKeys = keysOf(written);
    const QSet<QString> stored = storedKeys();
    std::cout << "[ race     ] " << c.name << ": " << writtenKeys.size() << " rows written, " << stored.size()
              << " stored, " << rounds << " rounds (" << cutRounds << " met a block being written, " << unreachable
              << " could not reach the host)\n";
    EXPECT_EQ(unreachable, 0) << problem.toStdString();
    ASSERT_FALSE(writtenKeys.isEmpty());
    EXPECT_EQ(stored, writtenKeys);
    const QByteArray archivedAll = archivedBytes();
    EXPECT_TRUE(archivedAll == written) << "the archive holds " << archivedAll.size() << " bytes of the "
                                        << written.size() << " written";
    const QStringList left = QDir(served.folder).entryList({u"scores*"_s}, QDir::Files | QDir::Hidden);
    if (c.mode == Mode::Move && c.server != Server::PyFtpdReadOnly)
        EXPECT_TRUE(left.isEmpty()) << "left on the host: " << left.join(u' ').toStdString();
    else
        EXPECT_EQ(readFile(served.folder + u"/scores.txt"_s), written) << "the host's file was changed";
}

INSTANTIATE_TEST_SUITE_P(Hosts, GameHostRace,
                         ::testing::Values(RaceCase{"FtpMoveOpenedPerBlock", Server::PyFtpd, Mode::Move, false},
                                           RaceCase{"FtpMoveKeptOpen", Server::PyFtpd, Mode::Move, true},
                                           RaceCase{"FtpKeepOpenedPerBlock", Server::PyFtpd, Mode::Keep, false},
                                           RaceCase{"FtpReadOnlyKeptOpen", Server::PyFtpdReadOnly, Mode::Move, true},
                                           RaceCase{"FtpsMoveOpenedPerBlock", Server::VsftpdTls, Mode::Move, false},
                                           RaceCase{"FtpsKeepKeptOpen", Server::VsftpdTls, Mode::Keep, true},
                                           RaceCase{"SftpMoveKeptOpen", Server::Sshd, Mode::Move, true},
                                           RaceCase{"SftpKeepOpenedPerBlock", Server::Sshd, Mode::Keep, false}),
                         [](const ::testing::TestParamInfo<RaceCase> &param) { return std::string(param.param.name); });
