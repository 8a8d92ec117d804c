// rankhold-cli: database creation, import, figures, filter deletes and the
// exit codes and messages of the failures a user meets first.
#include "CliFixture.h"

using namespace Qt::StringLiterals;

namespace {

const QStringList kImportTexts = {u"Importing Scores.txt"_s, u"Idle"_s};

} // namespace

TEST_F(CliFixture, CreateDatabaseMakesAnEmptyDatabaseAndNeverOverwritesOne)
{
    // No --program-folder: the current folder is the program folder.
    const Result first = run({u"create-database"_s});
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    const QString path = programFolder + u"/Rankhold.mdb"_s;
    ASSERT_TRUE(QFile::exists(path));
    EXPECT_EQ(run({u"info"_s}).out,
              (QStringList{u"Number of records: 0"_s, u"Number of players: 0"_s,
                           u"Filesize: "_s + QString::number(qRound(QFileInfo(path).size() / 1024.0)) + u" KB"_s}));

    writeFile(scoreFile(), block("Canyon", 1, {{"Alpha", 3, 1}}));
    ASSERT_EQ(run({u"--game-folder"_s, gameFolder, u"import"_s}).exitCode, 0);
    const QByteArray before = readFile(path);
    const Result second = run({u"--program-folder"_s, programFolder, u"create-database"_s});
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_TRUE(second.err.contains(u"exists already"_s)) << second.err.toStdString();
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(rowCount(), 1);
}

TEST_F(CliFixture, ImportShowsTheWindowTextsArchivesAndInfoCountsTheRows)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    // No score file: nothing to do, which is not a failure.
    const Result nothing = run({u"--game-folder"_s, gameFolder, u"import"_s});
    EXPECT_EQ(nothing.exitCode, 0);
    EXPECT_TRUE(nothing.out.isEmpty());

    writeFile(scoreFile(), block("Canyon", 1, {{"Alpha", 7, 2}, {"Bravo", 5, 0}, {"[DF]Charlie", 1, 4}}) +
                               block("Ice Flats", 2, {{"Alpha", 2, 2}, {"Delta", 9, 1}, {"Bravo", 0, 3}}));
    const Result import = run({u"--game-folder"_s, gameFolder, u"import"_s});
    EXPECT_EQ(import.exitCode, 0) << import.err.toStdString();
    EXPECT_EQ(import.out, kImportTexts + QStringList{u"Stored 6 new rows; 0 already stored."_s});
    EXPECT_TRUE(import.err.isEmpty()) << import.err.toStdString();
    EXPECT_FALSE(QFile::exists(scoreFile()));
    EXPECT_TRUE(QFile::exists(archived(1)));
    // The same file again (a failed move, say): nothing new.
    writeFile(scoreFile(), readFile(archived(1)));
    EXPECT_EQ(run({u"--game-folder"_s, gameFolder, u"import"_s}).out.last(), u"Stored 0 new rows; 6 already stored."_s);

    const Result info = run({u"--program-folder"_s, programFolder, u"info"_s});
    EXPECT_EQ(info.exitCode, 0);
    ASSERT_EQ(info.out.size(), 3);
    EXPECT_EQ(info.out.at(0), u"Number of records: 6"_s);
    EXPECT_EQ(info.out.at(1), u"Number of players: 4"_s);
    EXPECT_TRUE(info.out.at(2).startsWith(u"Filesize: "_s) && info.out.at(2).endsWith(u" KB"_s));
}

TEST_F(CliFixture, DeleteMatchingUsesTheFiltersOfTheSettingsFileAndAsksFirst)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    writeFile(scoreFile(),
              block("Canyon", 1, {{"Alpha", 7, 2}, {"Bravo", 5, 0}, {"[DF]Charlie", 1, 4}, {"Delta", 1, 1}}));
    ASSERT_EQ(run({u"--game-folder"_s, gameFolder, u"import"_s}).exitCode, 0);
    // Filter 2 empty does not stop filter 3; "Use Filter(s)" is off and does not matter.
    writeIni("[HTML Creation]\r\nFilter1=[DF]\r\nFilter2=\r\nFilter3=ravo\r\n[HTMLCreation]\r\nFilter=off\r\n");

    // No terminal to ask on and no --yes: refused, nothing deleted.
    const Result refused = run({u"delete"_s, u"--matching"_s});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(u"--yes"_s)) << refused.err.toStdString();
    EXPECT_EQ(rowCount(), 4);

    const Result deleted = run({u"delete"_s, u"--matching"_s, u"--yes"_s});
    EXPECT_EQ(deleted.exitCode, 0) << deleted.err.toStdString();
    EXPECT_EQ(players(), (QStringList{u"Alpha"_s, u"Delta"_s}));

    const Result notMatching = run({u"delete"_s, u"--not-matching"_s, u"--yes"_s});
    EXPECT_EQ(notMatching.exitCode, 0);
    EXPECT_EQ(rowCount(), 0);
}

TEST_F(CliFixture, MissingDatabaseEndsWithTheEngineMessageAndSaysHowToMakeOne)
{
    const QString database = programFolder + u"/Rankhold.mdb"_s;
    const QString made = u"There is no database %1; make one with: rankhold-cli create-database\n"_s.arg(database);
    for (const QStringList &args :
         {QStringList{u"info"_s}, QStringList{u"export"_s}, QStringList{u"--game-folder"_s, gameFolder, u"import"_s}}) {
        const Result r = run(args);
        EXPECT_EQ(r.exitCode, 1) << args.join(u' ').toStdString();
        // The error box's text (the engine's message, the file, a full stop), then what to do.
        EXPECT_TRUE(r.err.endsWith(database + u".\n"_s + made)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    const Result elsewhere = run({u"--program-folder"_s, programFolder, u"info"_s});
    EXPECT_TRUE(elsewhere.err.endsWith(
        u"make one with: rankhold-cli --program-folder %1 create-database\n"_s.arg(programFolder)))
        << elsewhere.err.toStdString();
    EXPECT_FALSE(QFile::exists(database)); // never made by a command
}

TEST_F(CliFixture, UsageErrorsExitWithTwoAndPointToTheHelp)
{
    const QList<QStringList> wrong = {
        {},
        {u"frobnicate"_s},
        {u"delete"_s, u"--yes"_s},
        {u"delete"_s, u"--all"_s, u"--matching"_s},
        {u"import"_s, u"--upload"_s},
        {u"watch"_s, u"--interval"_s, u"0"_s},
        {u"upload"_s, u"--password"_s, u"secret"_s},
    };
    for (const QStringList &args : wrong) {
        const Result r = run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(u"Usage: rankhold-cli"_s)) << r.err.toStdString();
        // Where to look, not every command of the program.
        EXPECT_TRUE(r.err.contains(u"Run 'rankhold-cli help"_s)) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(u"Commands:"_s)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_TRUE(run({u"import"_s, u"--upload"_s}).err.contains(u"'rankhold-cli help import'"_s));

    const Result help = run({u"help"_s, u"import"_s});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.first().endsWith(u" import [--chain]"_s)) << help.out.join(u'\n').toStdString();
    EXPECT_EQ(run({u"--version"_s}).out, QStringList{u"rankhold-cli 1.0"_s});
    // The password never comes from the command line, not even to be refused loudly.
    EXPECT_FALSE(run({u"upload"_s, u"--password"_s, u"secret"_s}).err.contains(u"secret"_s));
}

TEST_F(CliFixture, CompactKeepsTheRowsAndItsFailureMessageIsExitCodeOne)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    writeFile(scoreFile(), block("Canyon", 1, {{"Alpha", 7, 2}, {"Bravo", 5, 0}}));
    ASSERT_EQ(run({u"--game-folder"_s, gameFolder, u"import"_s}).exitCode, 0);

    const Result ok = run({u"compact"_s});
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    EXPECT_EQ(ok.out, (QStringList{u"Compacting Database"_s, u"Idle"_s}));
    EXPECT_EQ(rowCount(), 2);

    // Something in the way of the copy that cannot be deleted: the message
    // box's three lines on stderr, the database untouched.
    ASSERT_TRUE(QDir().mkpath(programFolder + u"/Rankhold_rep.mdb/in-the-way"_s));
    const Result failed = run({u"compact"_s});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.err.startsWith(u"Unable to compact database\n"_s)) << failed.err.toStdString();
    EXPECT_EQ(rowCount(), 2);
}

TEST_F(CliFixture, FiguresThatCannotBeWrittenAreNoSuccess)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    QProcess info;
    info.setStandardOutputFile(u"/dev/full"_s);
    start(info, {u"info"_s});
    ASSERT_TRUE(info.waitForFinished(30000));
    EXPECT_EQ(info.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(info.exitCode(), 1);
}

TEST_F(CliFixture, ImportOnATerminalRedrawsOneProgressLine)
{
    ASSERT_EQ(run({u"create-database"_s}).exitCode, 0);
    writeFile(scoreFile(), largeScores());
    // script(1) gives the program a terminal; its output is what the terminal shows.
    QProcess terminal;
    const QString command = u"'%1' --game-folder '%2' import"_s.arg(program(), gameFolder);
    terminal.setWorkingDirectory(programFolder);
    terminal.start(u"script"_s, {u"-qec"_s, command, u"/dev/null"_s});
    ASSERT_TRUE(terminal.waitForFinished(120000));
    const QByteArray shown = terminal.readAllStandardOutput();
    EXPECT_EQ(terminal.exitCode(), 0) << shown.constData();
    EXPECT_TRUE(shown.contains("\rImporting Scores.txt: 50 %")) << shown.right(300).constData();
    EXPECT_TRUE(shown.contains("\r\033[K")) << "the progress line is erased before the next text";
    EXPECT_TRUE(shown.contains("Stored 100000 new rows; 0 already stored."));
}
