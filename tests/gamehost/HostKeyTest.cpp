#include "gamehost/GameHostFixture.h"

#include "gamehost/SftpHostFolder.h"

using namespace Qt::StringLiterals;

namespace {

struct KeyCase {
    const char *name;
    bool knownHosts; // a known_hosts file is given
    bool hashed;
    bool otherKey;   // it names another key for the host
    const char *pin; // [GameHost] hostkey: "" none, "right", "wrong"
    bool trusted;
    const char *says; // part of the reason when not trusted
};

const KeyCase kCases[] = {
    {"Unknown", false, false, false, "", false, "is not known"},
    {"KnownPlain", true, false, false, "", true, ""},
    {"KnownHashed", true, true, false, "", true, ""},
    {"Changed", true, true, true, "", false, "has CHANGED"},
    {"PinnedRight", false, false, false, "right", true, ""},
    {"PinnedWrongWinsOverKnown", true, false, false, "wrong", false, "not the pinned"},
};

class HostKey : public GameHostFixture, public ::testing::WithParamInterface<KeyCase>
{
};

} // namespace

// The host key decides before anything of the log-in leaves: an unknown or
// changed key stops the round with the fingerprint as ssh-keygen -lf prints
// it and how to trust it.
TEST_P(HostKey, IsJudgedBeforeTheLogIn)
{
    static SshServer server;
    if (!server.isRunning())
        GTEST_SKIP() << server.errorText().toStdString();
    const KeyCase &c = GetParam();
    writeFile(server.root() + u"/scores.txt"_s,
              scoreBlock("Canyon", "03/15/02", "21:04:11", "Deathmatch", {playerRow("Raptor", "12", "7", "2")}));
    HostLogIn logIn;
    logIn.identityFile = server.identityFile();
    logIn.knownHosts = c.knownHosts ? server.writeKnownHosts(c.hashed, c.otherKey) : dir.filePath(u"none"_s);
    const QString pin = QString::fromLatin1(c.pin);
    logIn.hostKey = pin == u"right"_s   ? server.hostKeyFingerprint()
                    : pin == u"wrong"_s ? u"SHA256:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"_s
                                        : QString();
    useHost(server.url(), logIn, true);
    const GameHostRoundOutcome r = round();
    EXPECT_EQ(r.reached, c.trusted) << r.problem.toStdString();
    EXPECT_EQ(count(), c.trusted ? 1 : 0);
    if (!c.trusted) {
        EXPECT_TRUE(r.problem.contains(QString::fromLatin1(c.says))) << r.problem.toStdString();
        EXPECT_TRUE(r.problem.contains(server.hostKeyFingerprint())) << r.problem.toStdString();
        EXPECT_TRUE(r.problem.contains(u"ssh-keyscan -p %1 127.0.0.1"_s.arg(server.port())));
    }

    // What game-host-key shows, without logging in.
    RecordingHost quiet;
    SftpHostFolder folder(state.gameHost->address, state.gameHost->logIn, quiet);
    QString untrusted;
    const platform::ssh::HostKey key = folder.fetchHostKey(&untrusted);
    EXPECT_EQ(u"%1 %2"_s.arg(key.bits).arg(key.fingerprint), server.hostKeyLine().section(u' ', 0, 1));
    EXPECT_EQ(untrusted.isEmpty(), c.trusted);
}

INSTANTIATE_TEST_SUITE_P(Cases, HostKey, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<KeyCase> &p) { return std::string(p.param.name); });
