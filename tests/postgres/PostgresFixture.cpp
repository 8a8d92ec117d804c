#include "PostgresFixture.h"

#include "common/RankholdError.h"
#include "scores/DatabaseFile.h"
#include "scores/DatabaseLocation.h"

#include <QDir>
#include <QSqlRecord>

using namespace Qt::StringLiterals;

namespace {

std::unique_ptr<PostgresServer> &serverSlot()
{
    static std::unique_ptr<PostgresServer> server;
    return server;
}

// Starts the server once, before the first test, and stops it once every
// test has run: initdb and the start cost seconds.
class ServerEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { sharedServer(); }
    void TearDown() override { serverSlot().reset(); }
};

[[maybe_unused]] ::testing::Environment *const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

} // namespace

PostgresServer &sharedServer()
{
    if (!serverSlot())
        serverSlot() = std::make_unique<PostgresServer>();
    return *serverSlot();
}

Installation::Installation(const QString &folder, const QString &url)
    : programFolder(folder + u"/program"_s), gameFolder(folder + u"/game"_s)
{
    QDir().mkpath(programFolder);
    QDir().mkpath(gameFolder);
    if (!url.isEmpty())
        writeFile(programFolder + u"/Rankhold.ini"_s, "[Database]\r\nurl=" + url.toUtf8() + "\r\n");
    state.programFolder = ProgramFolder(programFolder);
    state.gameFolder = gameFolder;
    state.database.setLocation(databaseLocationOf(state.programFolder));
    if (url.isEmpty())
        makeEmptyDatabase(state.programFolder.databaseFile());
    state.database.setConnectionListener(
        [this](bool open) { host.setConnectionText(open ? kConnectionOpen : kConnectionClosed); });
    for (bool *ranking : {&settings.rankKills, &settings.rankDeaths, &settings.rankFlags, &settings.rankZonetime,
                          &settings.rankTargets, &settings.rankRatio, &settings.top10})
        *ranking = true;
}

QStringList Installation::rows()
{
    QSqlQuery query(state.database.connection());
    EXPECT_TRUE(query.exec(u"SELECT Id, Player, Kills, Deaths, Game, Gametype, Date, Time, Winner, Ratio, Score, "
                           "Zonetime, Flags, Targets FROM player ORDER BY Id"_s));
    QStringList out;
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values.append(query.value(i).isNull() ? u"NULL"_s : query.value(i).toString());
        out.append(values.join(u'|'));
    }
    return out;
}

void PostgresTest::SetUp()
{
    if (!server().isRunning())
        GTEST_SKIP() << "PostgreSQL cannot be started for these tests: " << server().why().toStdString();
    ASSERT_TRUE(dir.isValid());
    url = server().createDatabase();
    ASSERT_FALSE(url.isEmpty()) << server().why().toStdString();
}

void PostgresTest::createTables()
{
    try {
        createDatabase(parseDatabaseUrl(url));
    } catch (const RankholdError &e) {
        FAIL() << e.message().toStdString();
    }
}

void PostgresTest::startCli(QProcess &process, const QString &folder, const QStringList &arguments,
                            const QStringList &environment)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"RANKHOLD_FTP_PASSWORD", "PGPASSWORD", "PGUSER", "PGHOST", "PGPORT", "PGDATABASE"})
        env.remove(QString::fromLatin1(name));
    // Not the password file of whoever runs the tests.
    env.insert(u"PGPASSFILE"_s, path(u"no-pgpass"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, path(u"config"_s));
    for (const QString &pair : environment)
        env.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
    process.setProcessEnvironment(env);
    QDir().mkpath(folder);
    process.setWorkingDirectory(folder);
    process.start(qEnvironmentVariable("RANKHOLD_BIN_DIR") + u"/rankhold-cli"_s, arguments);
    ASSERT_TRUE(process.waitForStarted());
    process.closeWriteChannel();
}

PostgresTest::Result PostgresTest::finish(QProcess &process)
{
    EXPECT_TRUE(process.waitForFinished(300000));
    Result r;
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = QString::fromLocal8Bit(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    r.err = QString::fromLocal8Bit(process.readAllStandardError());
    return r;
}

PostgresTest::Result PostgresTest::runCli(const QString &folder, const QStringList &arguments,
                                          const QStringList &environment)
{
    QProcess process;
    startCli(process, folder, arguments, environment);
    return finish(process);
}

QByteArray rankingsIni(const QString &url)
{
    QByteArray ini = "[HTMLCreation]\r\nKills=on\r\nDeaths=on\r\nFlags=on\r\nZonetime=on\r\nTargets=on\r\nRatio=on\r\n"
                     "Top10=on\r\n";
    if (!url.isEmpty())
        ini += "[Database]\r\nurl=" + url.toUtf8() + "\r\n";
    return ini;
}
