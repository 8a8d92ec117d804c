#include "cli/CliOptions.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace {

const QHash<QString, CliOptions::Command> &commandNames()
{
    using C = CliOptions::Command;
    static const QHash<QString, C> names = {
        {u"create-database"_s, C::CreateDatabase},
        {u"info"_s, C::Info},
        {u"import"_s, C::Import},
        {u"export"_s, C::Export},
        {u"upload"_s, C::Upload},
        {u"compact"_s, C::Compact},
        {u"delete"_s, C::Delete},
        {u"watch"_s, C::Watch},
        {u"help"_s, C::Help},
    };
    return names;
}

// Splits "--name=value" so both spellings of an option with a value work.
struct Argument {
    QString name;
    std::optional<QString> inlineValue;
};

Argument splitArgument(const QString &text)
{
    if (text.startsWith(u"--"_s)) {
        const qsizetype eq = text.indexOf(u'=');
        if (eq > 2)
            return {text.left(eq), text.mid(eq + 1)};
    }
    return {text, std::nullopt};
}

int parseInterval(const QString &text)
{
    bool ok = false;
    const int seconds = text.toInt(&ok);
    if (!ok || seconds < 1 || seconds > kMaxIntervalSeconds)
        throw CliUsageError(u"--interval takes a whole number of seconds from 1 to %1, not '%2'"_s.arg(
            QString::number(kMaxIntervalSeconds), text));
    return seconds;
}

} // namespace

bool CliOptions::mayUpload() const
{
    return command == Command::Upload ||
           (chain && (command == Command::Import || command == Command::Export || command == Command::Watch));
}

CliOptions parseCliOptions(const QStringList &arguments)
{
    CliOptions options;
    std::optional<CliOptions::Command> command;
    QStringList seen; // options given, to check them against the command afterwards

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const Argument arg = splitArgument(arguments.at(i));
        auto value = [&]() -> QString {
            if (arg.inlineValue)
                return *arg.inlineValue;
            if (i + 1 >= arguments.size())
                throw CliUsageError(u"%1 needs a value"_s.arg(arg.name));
            return arguments.at(++i);
        };
        auto flag = [&] {
            if (arg.inlineValue)
                throw CliUsageError(u"%1 takes no value"_s.arg(arg.name));
            return true;
        };

        if (arg.name == u"-h"_s || arg.name == u"--help"_s) {
            flag();
            options.command = CliOptions::Command::Help;
            return options;
        }
        if (!arg.name.startsWith(u'-') || arg.name == u"-"_s) {
            if (command)
                throw CliUsageError(u"unexpected argument '%1'"_s.arg(arg.name));
            const auto it = commandNames().constFind(arg.name);
            if (it == commandNames().cend())
                throw CliUsageError(u"unknown command '%1'"_s.arg(arg.name));
            command = it.value();
            continue;
        }
        seen.append(arg.name);
        if (arg.name == u"--program-folder"_s) {
            options.programFolder = value();
            if (options.programFolder.isEmpty())
                throw CliUsageError(u"--program-folder needs a folder"_s);
        } else if (arg.name == u"--game-folder"_s) {
            options.gameFolder = value();
            if (options.gameFolder.isEmpty())
                throw CliUsageError(u"--game-folder needs a folder"_s);
        } else if (arg.name == u"--user"_s) {
            options.ftpUser = value();
        } else if (arg.name == u"--password-file"_s) {
            options.passwordFile = value();
            if (options.passwordFile.isEmpty())
                throw CliUsageError(u"--password-file needs a file name"_s);
        } else if (arg.name == u"--password"_s) {
            // A password on the command line is visible to every user of the machine.
            throw CliUsageError(
                u"the FTP password is not taken from the command line; set RANKHOLD_FTP_PASSWORD or use --password-file FILE"_s);
        } else if (arg.name == u"--chain"_s || arg.name == u"--upload"_s) {
            options.chain = flag();
        } else if (arg.name == u"--yes"_s) {
            options.yes = flag();
        } else if (arg.name == u"--all"_s || arg.name == u"--matching"_s || arg.name == u"--not-matching"_s) {
            flag();
            if (options.deleteMode)
                throw CliUsageError(u"delete takes only one of --all, --matching and --not-matching"_s);
            options.deleteMode = arg.name == u"--all"_s        ? CliOptions::DeleteMode::All
                                 : arg.name == u"--matching"_s ? CliOptions::DeleteMode::Matching
                                                               : CliOptions::DeleteMode::NotMatching;
        } else if (arg.name == u"--interval"_s) {
            options.intervalSeconds = parseInterval(value());
        } else {
            throw CliUsageError(u"unknown option '%1'"_s.arg(arg.name));
        }
    }

    if (!command)
        throw CliUsageError(u"no command given"_s);
    options.command = *command;

    // Each command's own options; the folders and the FTP log-in go with every command.
    using C = CliOptions::Command;
    const QString commandName = commandNames().key(options.command);
    for (const QString &name : std::as_const(seen)) {
        bool allowed = name == u"--program-folder"_s || name == u"--game-folder"_s || name == u"--user"_s ||
                       name == u"--password-file"_s;
        if (name == u"--chain"_s)
            allowed = options.command == C::Import || options.command == C::Watch;
        else if (name == u"--upload"_s)
            allowed = options.command == C::Export;
        else if (name == u"--interval"_s)
            allowed = options.command == C::Watch;
        else if (name == u"--yes"_s || name == u"--all"_s || name == u"--matching"_s || name == u"--not-matching"_s)
            allowed = options.command == C::Delete;
        if (!allowed)
            throw CliUsageError(u"%1 does not take %2"_s.arg(commandName, name));
    }
    if (options.command == C::Delete && !options.deleteMode)
        throw CliUsageError(u"delete needs one of --all, --matching and --not-matching"_s);
    return options;
}

QString cliUsageText()
{
    return u"Usage: rankhold-cli [--program-folder DIR] [--game-folder DIR] COMMAND [OPTIONS]\n"
           "\n"
           "Commands:\n"
           "  create-database            create an empty Rankhold.mdb (never overwrites)\n"
           "  info                       Number of records / Number of players / Filesize\n"
           "  import [--chain]           File > Import Scores.txt; --chain: export and upload after it\n"
           "  export [--upload]          File > Export Stats to HTML; --upload: upload at its end\n"
           "  upload                     File > Upload HTML by FTP\n"
           "  compact                    Compact database\n"
           "  delete (--all | --matching | --not-matching) [--yes]\n"
           "                             delete records; asks on the terminal unless --yes\n"
           "  watch [--chain] [--interval SECONDS]\n"
           "                             the scheduled import, every 30 s by default, until\n"
           "                             SIGINT or SIGTERM\n"
           "\n"
           "Options:\n"
           "  --program-folder DIR       folder of Rankhold.mdb, Rankhold.ini, header.txt,\n"
           "                             footer.txt and the pages (default: current folder)\n"
           "  --game-folder DIR          folder of the game's scores.txt (default: the folder\n"
           "                             registered with Extra > Set DFLW folder)\n"
           "  --user NAME                FTP user name\n"
           "  --password-file FILE       FTP password from the first line of FILE\n"
           "                             (otherwise from the environment variable\n"
           "                             RANKHOLD_FTP_PASSWORD)\n"
           "\n"
           "Every other option comes from Rankhold.ini of the program folder.\n"
           "Exit codes: 0 the command did its job, 1 it failed, 2 usage error.\n"_s;
}
