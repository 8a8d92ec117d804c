#pragma once

#include "portal/PortalBuilder.h"
#include "scores/PlayerDatabase.h"
#include "scores/ScoreFixture.h"
#include "scores/ScoreImport.h"
#include "support/TestSupport.h"

#include <QDirIterator>
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A program folder with a real database, games added through the score
// import, and portals built from it into folders of their own.
class PortalFixture : public ::testing::Test
{
protected:
    struct Line {
        QByteArray name;
        int kills;
        int deaths;
        QByteArray value = "3"; // flags, score, targets, or m:ss zone time
    };

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        makeEmptyDatabase(dir.filePath(QStringLiteral("Rankhold.mdb")));
        db.setFileName(dir.filePath(QStringLiteral("Rankhold.mdb")));
    }

    // Imports one game as the game writes it (names Windows-1252).
    void addGame(const QByteArray &map, const QByteArray &date, const QByteArray &time, const QByteArray &type,
                 const QList<Line> &lines)
    {
        QList<QByteArray> rows;
        for (const Line &l : lines)
            rows.append(playerRow(l.name, l.value, QByteArray::number(l.kills), QByteArray::number(l.deaths)));
        const QString file = dir.filePath(QStringLiteral("scores.txt"));
        writeFile(file, scoreBlock(map, date, time, type, rows));
        importScoreFile(db, file, host);
    }

    QString site(const QString &name = QStringLiteral("portal")) const { return dir.filePath(name); }

    portal::BuildResult build(const QString &name = QStringLiteral("portal"), const QDateTime &madeAt = {},
                              const portal::Progress &progress = {})
    {
        return portal::buildPortal(
            db.connection(),
            {site(name), site(name) + QStringLiteral(".state"), site(name) + QStringLiteral(".removed")},
            madeAt.isValid() ? madeAt : made, progress, options);
    }

    // Every file of a site by its path below the site's folder.
    static QMap<QString, QByteArray> files(const QString &folder)
    {
        QMap<QString, QByteArray> out;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            out.insert(path.mid(folder.size() + 1), readFile(path));
        }
        return out;
    }

    // The paths whose bytes differ between two snapshots, or that only one has.
    static QStringList changed(const QMap<QString, QByteArray> &before, const QMap<QString, QByteArray> &after)
    {
        QStringList out;
        for (auto it = after.cbegin(); it != after.cend(); ++it) {
            if (before.value(it.key()) != it.value() || !before.contains(it.key()))
                out.append(it.key());
        }
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            if (!after.contains(it.key()))
                out.append(it.key());
        }
        out.sort();
        return out;
    }

    QTemporaryDir dir;
    PlayerDatabase db;
    RecordingHost host;
    QDateTime made{QDate(2002, 3, 20), QTime(12, 0)};
    portal::BuildOptions options;
};
