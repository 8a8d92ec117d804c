#pragma once

#include "commands/AppState.h"
#include "commands/MainCommands.h"
#include "support/PostgresServer.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

// The one PostgreSQL server of this test program: started by the test
// environment before the first test, stopped after the last.
PostgresServer &sharedServer();

// A program folder with a game folder beside it and the commands of the
// main window on its database: the file Rankhold.mdb, or the database that
// [Database] url= of its Rankhold.ini names, as start-up reads it.
struct Installation {
    explicit Installation(const QString &folder, const QString &url = {});

    bool import() { return commands.importScores().import.found; }
    void exportPages() { commands.exportStats(); }
    QString scoreFile() const { return gameFolder + QStringLiteral("/scores.txt"); }
    QByteArray page(const QString &name) const { return readFile(programFolder + u'/' + name); }
    // Every row, every column, as "value|value|..." in Id order (byte order on both engines).
    QStringList rows();

    QString programFolder;
    QString gameFolder;
    AppState state;
    RecordingHost host;
    Settings settings;
    QTimer timer3;
    MainCommands commands{state, host, timer3, [this] { return settings; }};
};

// Each test has a new empty database on the shared server (`url`) and a
// temporary folder; skipped, with the reason, where the server cannot run.
class PostgresTest : public ::testing::Test
{
protected:
    struct Result {
        int exitCode = -1;
        QStringList out;
        QString err;
    };

    void SetUp() override;

    PostgresServer &server() { return sharedServer(); }
    // The name of the test's database, from its URL.
    QString database() const { return url.section(u'/', -1); }
    QStringList select(const QString &sql) { return server().select(database(), sql); }
    // The tables made by create-database.
    void createTables();

    // rankhold-cli in `folder`, stdin closed, no password of the machine's.
    Result runCli(const QString &folder, const QStringList &arguments, const QStringList &environment = {});
    void startCli(QProcess &process, const QString &folder, const QStringList &arguments,
                  const QStringList &environment = {});
    static Result finish(QProcess &process);

    // `name` in the temporary folder.
    QString path(const QString &name) const { return dir.filePath(name); }

    QString url;
    QTemporaryDir dir;
};

// Rankhold.ini with every ranking and the top 10 on, and [Database] url= when given.
QByteArray rankingsIni(const QString &url = {});
