#pragma once

#include "scores/ScoreFixture.h"
#include "scores/ScoreReader.h"
#include "support/FtpServers.h"
#include "support/SshServer.h"

#include <QProcess>
#include <QSet>

// The commands of the main window with a game on another machine: the
// score file comes from a real server's folder, where the stand-in game
// writes it.
class GameHostFixture : public ScoreFixture
{
protected:
    // A game host for the commands; settles quickly, as a test must.
    void useHost(const QString &url, const HostLogIn &logIn, bool keep = false)
    {
        GameHost gameHost;
        gameHost.address = parseGameHostUrl(url);
        gameHost.logIn = logIn;
        gameHost.logIn.timeOutMs = 5000;
        gameHost.keep = keep;
        gameHost.settleMs = 50;
        state.gameHost = gameHost;
    }

    // One round: the import with everything after it. A block the game is
    // still writing ends it with an error, as in a local folder.
    GameHostRoundOutcome round()
    {
        try {
            const ImportOutcome outcome = commands.importScores();
            return outcome.gameHost.value_or(GameHostRoundOutcome{});
        } catch (const RankholdError &) {
            ++cutRounds;
            return {};
        }
    }

    // The stand-in game in `folder`, a map every `interval` seconds.
    void startGame(QProcess &game, const QString &folder, bool keepOpen, const QString &interval = u"0.05"_qs)
    {
        const QString exe = folder + u"/dflw.exe"_qs;
        QFile::remove(exe);
        ASSERT_TRUE(QFile::copy(sourcePath(u"standin/dflw.exe"_qs), exe));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"RANKHOLD_STANDIN_INTERVAL"_qs, interval);
        env.insert(u"RANKHOLD_STANDIN_KEEP_OPEN"_qs, keepOpen ? u"1"_qs : u"0"_qs);
        env.insert(u"RANKHOLD_STANDIN_LEDGER"_qs, ledger());
        game.setProcessEnvironment(env);
        game.setWorkingDirectory(folder);
        game.start(u"python3"_qs, {exe, u"/s"_qs});
        ASSERT_TRUE(game.waitForStarted());
    }

    QString ledger() const { return dir.filePath(u"ledger"_qs); }

    static QSet<QString> keysOf(const QByteArray &bytes)
    {
        QSet<QString> keys;
        const ScoreLines lines(bytes);
        ScoreReader reader(lines);
        ScoreRow row;
        while (reader.next(row))
            keys.insert(row.id());
        return keys;
    }

    QSet<QString> storedKeys()
    {
        QSet<QString> keys;
        QSqlQuery q(db.connection());
        EXPECT_TRUE(q.exec(u"SELECT Id FROM player"_qs));
        while (q.next())
            keys.insert(q.value(0).toString());
        return keys;
    }

    // Every scores.N of the archive in the order of N, joined.
    QByteArray archivedBytes()
    {
        QByteArray all;
        for (int n = 1; QFile::exists(archived(n)); ++n)
            all += readFile(archived(n));
        return all;
    }

    int cutRounds = 0;
};
