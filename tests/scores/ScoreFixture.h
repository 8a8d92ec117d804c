#pragma once

#include "commands/AppState.h"
#include "commands/MainCommands.h"
#include "scores/PlayerDatabase.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariant>
#include <gtest/gtest.h>

// A program folder with an empty Rankhold.mdb, a game folder, and the
// commands of the main window on them, whose status texts and boxes go to a
// recording host; the options are `settings` (nothing chained by default).
class ScoreFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        programFolder = dir.filePath(QStringLiteral("program"));
        gameFolder = dir.filePath(QStringLiteral("game"));
        ASSERT_TRUE(QDir().mkpath(programFolder));
        makeEmptyDatabase(programFolder + QStringLiteral("/Rankhold.mdb"));
        writeFile(gameFolder + QStringLiteral("/.keep"), {});
        state.programFolder = ProgramFolder(programFolder);
        state.gameFolder = gameFolder;
        db.setFileName(state.programFolder.databaseFile());
        db.setConnectionListener(
            [this](bool open) { host.setConnectionText(open ? kConnectionOpen : kConnectionClosed); });
    }

    // File > Import Scores.txt; true when there was a score file.
    bool import() { return commands.importScores().import.found; }

    QString scoreFile() const { return gameFolder + QStringLiteral("/scores.txt"); }
    QString archived(int n) const { return programFolder + QStringLiteral("/oldscores/scores.") + QString::number(n); }

    // Every row as "column=value" texts joined by '|', in insertion order.
    QStringList rows(const QString &columns = QStringLiteral("Id, Kills, Deaths, Ratio"))
    {
        QStringList out;
        QSqlQuery q(db.connection());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM player ORDER BY rowid")));
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.record().count(); ++i)
                values.append(q.value(i).isNull() ? QStringLiteral("NULL") : q.value(i).toString());
            out.append(values.join(u'|'));
        }
        return out;
    }
    qint64 count()
    {
        QSqlQuery q(db.connection());
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT COUNT(*) FROM player")) && q.next());
        return q.value(0).toLongLong();
    }

    QTemporaryDir dir;
    QString programFolder;
    QString gameFolder;
    AppState state;
    PlayerDatabase &db = state.database;
    RecordingHost host;
    Settings settings;
    QTimer timer3;
    MainCommands commands{state, host, timer3, [this] { return settings; }};
};

// Score file pieces as the game writes them.
inline QByteArray playerRow(const QByteArray &name, const QByteArray &value, const QByteArray &kills,
                            const QByteArray &deaths)
{
    QByteArray field = name.leftJustified(21, ' ', true);
    return "      " + field + value + "   " + kills + "   " + deaths;
}

inline QByteArray scoreBlock(const QByteArray &map, const QByteArray &date, const QByteArray &time,
                             const QByteArray &gametype, const QList<QByteArray> &players,
                             const QByteArray &winner = "Blue Team")
{
    QList<QByteArray> lines{"Game Stats for Game: " + map, "Played: " + date + ", " + time};
    if (!gametype.isEmpty())
        lines.append("  Game type: " + gametype);
    if (!gametype.isEmpty() && gametype != "Deathmatch" && gametype != "King of the Hill")
        lines.append("Winner:   " + winner);
    lines.append("  Player                 Value  Kills  Deaths");
    lines += players;
    lines.append(QByteArray());
    return lines.join("\r\n") + "\r\n";
}
