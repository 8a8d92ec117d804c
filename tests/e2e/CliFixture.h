#pragma once

#include "scores/PlayerDatabase.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

// rankhold-cli as its users meet it: the built program, run in a program
// folder of its own with a game folder beside it and a registry store that
// is not the developer's.
class CliFixture : public ::testing::Test
{
protected:
    struct Result {
        int exitCode = -1;
        QStringList out; // stdout, one entry a line
        QString err;
    };

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        programFolder = dir.filePath(QStringLiteral("program"));
        gameFolder = dir.filePath(QStringLiteral("game"));
        ASSERT_TRUE(QDir().mkpath(programFolder) && QDir().mkpath(gameFolder));
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("RANKHOLD_BIN_DIR"));
    }

    QString program() const { return qEnvironmentVariable("RANKHOLD_BIN_DIR") + QStringLiteral("/rankhold-cli"); }

    // Started in the program folder, stdin a closed pipe (so: no terminal).
    void start(QProcess &process, const QStringList &arguments, const QStringList &environment = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("RANKHOLD_FTP_PASSWORD"));
        env.remove(QStringLiteral("RANKHOLD_GAME_PASSWORD"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        for (const QString &pair : environment)
            env.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(programFolder);
        process.start(program(), arguments);
        ASSERT_TRUE(process.waitForStarted()) << program().toStdString();
        process.closeWriteChannel();
    }

    Result run(const QStringList &arguments, const QStringList &environment = {})
    {
        QProcess process;
        start(process, arguments, environment);
        EXPECT_TRUE(process.waitForFinished(120000));
        Result r;
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = QString::fromLocal8Bit(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        r.err = QString::fromLocal8Bit(process.readAllStandardError());
        return r;
    }

    // Reads the process's stdout until `text` is a line of it; false after `ms`.
    static bool waitForLine(QProcess &process, QString &seen, const QString &text, int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (!seen.split(u'\n').contains(text)) {
            if (clock.elapsed() > ms || process.state() != QProcess::Running)
                return false;
            process.waitForReadyRead(50);
            seen += QString::fromLocal8Bit(process.readAllStandardOutput());
        }
        return true;
    }

    // Whether the process has a handler for `signal` (SigCgt of /proc/PID/status); false after `ms`.
    static bool waitUntilCaught(const QProcess &process, int signal, int ms)
    {
        QElapsedTimer clock;
        clock.start();
        const QString status = QStringLiteral("/proc/%1/status").arg(process.processId());
        while (clock.elapsed() < ms && process.state() == QProcess::Running) {
            QFile file(status);
            if (file.open(QIODevice::ReadOnly)) {
                for (const QByteArray &line : file.readAll().split('\n')) {
                    if (line.startsWith("SigCgt:") &&
                        (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1)
                        return true;
                }
            }
            QThread::msleep(10);
        }
        return false;
    }

    void writeIni(const QByteArray &text) { writeFile(programFolder + QStringLiteral("/Rankhold.ini"), text); }
    QString scoreFile() const { return gameFolder + QStringLiteral("/scores.txt"); }
    QString archived(int n) const { return programFolder + QStringLiteral("/oldscores/scores.") + QString::number(n); }

    // One Deathmatch block of the game's score file; players as {name, kills, deaths}.
    static QByteArray block(const QByteArray &map, int number, const QList<std::tuple<QByteArray, int, int>> &players)
    {
        QByteArray b = "Game Stats for Game: " + map +
                       "\r\nDate:   03/15/02, 21:" + QByteArray::number(number).rightJustified(5, '0') +
                       "\r\n  Game type: Deathmatch\r\n  No. Name                 Score     Kills Deaths\r\n";
        int place = 1;
        for (const auto &[name, kills, deaths] : players)
            b += "   " + QByteArray::number(place++) + ". " + name.leftJustified(21, ' ') + "10   " +
                 QByteArray::number(kills) + "   " + QByteArray::number(deaths) + "\r\n";
        return b + "\r\n";
    }

    // Large enough that an import takes a good while after its first status text.
    static constexpr int kBlocks = 10000;
    static constexpr int kPlayers = 10;
    static QByteArray largeScores()
    {
        QByteArray scores;
        for (int b = 0; b < kBlocks; ++b) {
            QList<std::tuple<QByteArray, int, int>> players;
            for (int p = 0; p < kPlayers; ++p)
                players.append({"Player" + QByteArray::number(p), p, p % 3});
            scores += block("Map" + QByteArray::number(b), b, players);
        }
        return scores;
    }

    // The distinct player names (without the blanks that fill the name field), sorted; the number of rows.
    QStringList players() { return query(QStringLiteral("SELECT DISTINCT rtrim(Player) FROM player ORDER BY 1")); }
    qint64 rowCount() { return query(QStringLiteral("SELECT COUNT(*) FROM player")).value(0).toLongLong(); }
    QStringList query(const QString &sql)
    {
        PlayerDatabase db;
        db.setFileName(programFolder + QStringLiteral("/Rankhold.mdb"));
        QStringList values;
        QSqlQuery q(db.connection());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString();
        while (q.next())
            values.append(q.value(0).toString());
        return values;
    }

    QTemporaryDir dir;
    QString programFolder;
    QString gameFolder;
};
