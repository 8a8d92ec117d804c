// The command line of rankhold-cli: what each form sets, and the usage errors
// with the command they concern.
#include "cli/CliOptions.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using Command = CliOptions::Command;

TEST(CliOptions, EachFormSetsWhatItSays)
{
    CliOptions o = parseCliOptions({u"--program-folder=/p"_s, u"import"_s, u"--chain"_s, u"--game-folder"_s, u"/g"_s,
                                    u"--user"_s, u"web"_s, u"--password-file"_s, u"/pw"_s});
    EXPECT_EQ(o.command, Command::Import);
    EXPECT_EQ(o.programFolder, u"/p"_s);
    EXPECT_EQ(o.gameFolder, u"/g"_s);
    EXPECT_TRUE(o.chain && o.mayUpload());
    EXPECT_EQ(o.ftpUser, u"web"_s);
    EXPECT_EQ(o.passwordFile, u"/pw"_s);

    o = parseCliOptions({u"watch"_s, u"--interval=5"_s});
    EXPECT_EQ(o.intervalSeconds, 5);
    EXPECT_FALSE(o.mayUpload());
    o = parseCliOptions({u"delete"_s, u"--not-matching"_s, u"--yes"_s});
    EXPECT_EQ(o.deleteMode, CliOptions::DeleteMode::NotMatching);
    EXPECT_TRUE(o.yes);
    EXPECT_TRUE(parseCliOptions({u"export"_s, u"--upload"_s}).mayUpload());
    o = parseCliOptions(
        {u"--database"_s, u"postgresql://rh@db:5433/ranks"_s, u"copy-database"_s, u"--to=postgres://rh@h/r"_s});
    EXPECT_EQ(o.command, Command::CopyDatabase);
    EXPECT_EQ(o.databaseUrl, u"postgresql://rh@db:5433/ranks"_s);
    EXPECT_EQ(o.copyTarget, u"postgres://rh@h/r"_s);

    EXPECT_EQ(parseCliOptions({u"--version"_s}).command, Command::Version);
    for (const QStringList &args : {QStringList{u"help"_s}, QStringList{u"--help"_s}, QStringList{u"-h"_s}}) {
        o = parseCliOptions(args);
        EXPECT_EQ(o.command, Command::Help);
        EXPECT_FALSE(o.helpTopic);
    }
    for (const QStringList &args : {QStringList{u"help"_s, u"watch"_s}, QStringList{u"watch"_s, u"--help"_s},
                                    QStringList{u"watch"_s, u"--bogus"_s, u"-h"_s}}) {
        o = parseCliOptions(args);
        EXPECT_EQ(o.command, Command::Help);
        EXPECT_EQ(o.helpTopic, Command::Watch);
    }
}

TEST(CliOptions, UsageErrorsNameTheOptionAndTheCommand)
{
    struct Case {
        QStringList args;
        QString message;
        std::optional<Command> command;
    };
    const QList<Case> cases = {
        {{}, u"no command given"_s, std::nullopt},
        {{u"frobnicate"_s}, u"unknown command 'frobnicate'"_s, std::nullopt},
        {{u"--frob"_s, u"import"_s}, u"unknown option '--frob'"_s, Command::Import},
        {{u"import"_s, u"--upload"_s}, u"import does not take --upload"_s, Command::Import},
        {{u"info"_s, u"--interval"_s, u"5"_s}, u"info does not take --interval"_s, Command::Info},
        {{u"delete"_s, u"--yes"_s}, u"delete needs one of --all, --matching and --not-matching"_s, Command::Delete},
        {{u"delete"_s, u"--all"_s, u"--matching"_s},
         u"delete takes only one of --all, --matching and --not-matching"_s,
         Command::Delete},
        {{u"watch"_s, u"--interval"_s, u"0"_s},
         u"--interval takes a whole number of seconds from 1 to 86400, not '0'"_s,
         Command::Watch},
        {{u"watch"_s, u"--interval"_s}, u"--interval needs a value"_s, Command::Watch},
        {{u"import"_s, u"--chain=yes"_s}, u"--chain takes no value"_s, Command::Import},
        {{u"import"_s, u"--game-folder="_s}, u"--game-folder needs a folder"_s, Command::Import},
        {{u"info"_s, u"info"_s}, u"unexpected argument 'info'"_s, Command::Info},
        {{u"copy-database"_s}, u"copy-database needs --to URL"_s, Command::CopyDatabase},
        {{u"info"_s, u"--to"_s, u"postgresql://u@h/d"_s}, u"info does not take --to"_s, Command::Info},
        {{u"info"_s, u"--database"_s, u"mysql://u@h/d"_s},
         u"--database: The database URL 'mysql://u@h/d' cannot be used: it does not begin with postgresql://; write it "
         "as postgresql://user@host[:port]/dbname"_s,
         Command::Info},
        {{u"upload"_s, u"--password"_s, u"secret"_s},
         u"the FTP password is not taken from the command line; set RANKHOLD_FTP_PASSWORD or use --password-file "
         "FILE"_s,
         Command::Upload},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        try {
            parseCliOptions(c.args);
            ADD_FAILURE() << "accepted";
        } catch (const CliUsageError &e) {
            EXPECT_EQ(e.message(), c.message);
            EXPECT_EQ(e.command(), c.command);
        }
    }
}

TEST(CliOptions, HelpOfOneCommandListsOnlyItsOwnOptions)
{
    const QString watch = cliCommandHelp(Command::Watch);
    EXPECT_TRUE(watch.startsWith(u"Usage: rankhold-cli [--program-folder DIR] [--game-folder DIR] watch [--chain] "
                                 "[--interval SECONDS]\n"_s));
    EXPECT_TRUE(watch.contains(u"--interval SECONDS"_s) && watch.contains(u"--chain"_s));
    EXPECT_FALSE(watch.contains(u"--yes"_s) || watch.contains(u"--upload"_s));
    EXPECT_FALSE(cliCommandHelp(Command::Info).contains(u"Options:"_s));

    const QString all = cliUsageText();
    for (const char *command : {"create-database", "info", "import", "export", "upload", "compact", "delete", "watch"})
        EXPECT_TRUE(all.contains(u"\n  "_s + QLatin1StringView(command))) << command;
    EXPECT_EQ(cliUsageHint(Command::Import),
              u"Usage: rankhold-cli [--program-folder DIR] [--game-folder DIR] import [--chain]\n"
              "Run 'rankhold-cli help import' for its options.\n"_s);
}
