#include "cli/CliOptions.h"

#include "gamehost/GameHostAddress.h"
#include "scores/DatabaseLocation.h"

#include <algorithm>
#include <array>
#include <span>

using namespace Qt::StringLiterals;

namespace {

using Command = CliOptions::Command;

// One option: its name, the placeholder of its value (none for a switch),
// its help (lines joined by '\n') and what it sets.
struct OptionSpec {
    const char16_t *name;
    const char16_t *value;
    const char16_t *help;
    void (*apply)(CliOptions &options, const QString &value);
};

void setDeleteMode(CliOptions &options, CliOptions::DeleteMode mode)
{
    if (options.deleteMode)
        throw CliUsageError(u"delete takes only one of --all, --matching and --not-matching"_s, Command::Delete);
    options.deleteMode = mode;
}

QString nonEmpty(const QString &value, const QString &what)
{
    if (value.isEmpty())
        throw CliUsageError(what);
    return value;
}

// A URL checked now, so that a wrong one (or one with a password) is a usage error.
QString databaseUrl(const QString &value, const QString &option)
{
    try {
        parseDatabaseUrl(nonEmpty(value, option + u" needs a URL"_s));
    } catch (const CliUsageError &) {
        throw;
    } catch (const RankholdError &e) {
        throw CliUsageError(option + u": "_s + e.message());
    }
    return value;
}

// Options that every command takes: where its files are and how to log in.
// A game host URL checked now, like a database URL (a password in it is refused).
QString gameFolder(const QString &value)
{
    nonEmpty(value, u"--game-folder needs a folder"_s);
    if (!isGameHostUrl(value))
        return value;
    try {
        parseGameHostUrl(value);
    } catch (const RankholdError &e) {
        throw CliUsageError(u"--game-folder: "_s + e.message());
    }
    return value;
}

const std::array<OptionSpec, 7> kCommonOptions = {{
    {u"--program-folder", u"DIR",
     u"folder of Rankhold.mdb, Rankhold.ini, header.txt,\nfooter.txt and the pages (default: current folder)",
     [](CliOptions &o, const QString &v) { o.programFolder = nonEmpty(v, u"--program-folder needs a folder"_s); }},
    {u"--game-folder", u"DIR",
     u"folder of the game's scores.txt (default: url= of\n[GameHost] in Rankhold.ini, otherwise the folder\n"
     "registered with Extra > Set DFLW folder); or a game\nhost: ftp://user@host[:port]/path, ftps://...,\n"
     "sftp://user@host[:port]/path",
     [](CliOptions &o, const QString &v) { o.gameFolder = gameFolder(v); }},
    {u"--database", u"URL",
     u"the PostgreSQL database postgresql://user@host[:port]/dbname\n(default: url= of [Database] in Rankhold.ini,\n"
     "otherwise Rankhold.mdb); the password comes from\nPGPASSWORD or ~/.pgpass",
     [](CliOptions &o, const QString &v) { o.databaseUrl = databaseUrl(v, u"--database"_s); }},
    {u"--user", u"NAME", u"FTP user name", [](CliOptions &o, const QString &v) { o.ftpUser = v; }},
    {u"--password-file", u"FILE",
     u"FTP password from the first line of FILE\n(otherwise from the environment variable\nRANKHOLD_FTP_PASSWORD)",
     [](CliOptions &o, const QString &v) { o.passwordFile = nonEmpty(v, u"--password-file needs a file name"_s); }},
    {u"--game-password-file", u"FILE",
     u"game host password from the first line of FILE\n(otherwise from RANKHOLD_GAME_PASSWORD)",
     [](CliOptions &o, const QString &v) {
         o.gamePasswordFile = nonEmpty(v, u"--game-password-file needs a file name"_s);
     }},
    {u"--game-identity", u"FILE",
     u"SSH private key for an sftp:// game host (default:\nidentity= of [GameHost], then the ssh agent)",
     [](CliOptions &o, const QString &v) { o.gameIdentity = nonEmpty(v, u"--game-identity needs a file name"_s); }},
}};

// Options that belong to one command or another.
const std::array<OptionSpec, 9> kCommandOptions = {{
    {u"--chain", nullptr, u"export the pages and upload them after each import",
     [](CliOptions &o, const QString &) { o.chain = true; }},
    {u"--upload", nullptr, u"upload the pages at the end of the export",
     [](CliOptions &o, const QString &) { o.chain = true; }},
    {u"--all", nullptr, u"delete every record",
     [](CliOptions &o, const QString &) { setDeleteMode(o, CliOptions::DeleteMode::All); }},
    {u"--matching", nullptr, u"delete the records of the players that match\nFilter1..Filter3 of [HTML Creation]",
     [](CliOptions &o, const QString &) { setDeleteMode(o, CliOptions::DeleteMode::Matching); }},
    {u"--not-matching", nullptr, u"delete the records of the players that match\nnone of Filter1..Filter3",
     [](CliOptions &o, const QString &) { setDeleteMode(o, CliOptions::DeleteMode::NotMatching); }},
    {u"--yes", nullptr, u"delete without asking", [](CliOptions &o, const QString &) { o.yes = true; }},
    {u"--interval", u"SECONDS", u"seconds between two looks for scores.txt (default 30)",
     [](CliOptions &o, const QString &v) {
         bool ok = false;
         const int seconds = v.toInt(&ok);
         if (!ok || seconds < 1 || seconds > kMaxIntervalSeconds)
             throw CliUsageError(u"--interval takes a whole number of seconds from 1 to %1, not '%2'"_s.arg(
                                     QString::number(kMaxIntervalSeconds), v),
                                 Command::Watch);
         o.intervalSeconds = seconds;
     }},
    {u"--to", u"URL", u"the empty PostgreSQL database to copy into,\npostgresql://user@host[:port]/dbname",
     [](CliOptions &o, const QString &v) { o.copyTarget = databaseUrl(v, u"--to"_s); }},
    {u"--into", u"NAME", u"the player that ALIAS is to count as",
     [](CliOptions &o, const QString &v) { o.into = nonEmpty(v, u"--into needs a name"_s); }},
}};

struct CommandSpec {
    Command command;
    const char16_t *name;
    const char16_t *synopsis;                // after the name
    const char16_t *summary;                 // lines joined by '\n'
    std::array<const char16_t *, 5> options; // its own options, as listed in its help
};

const std::array<CommandSpec, 14> kCommands = {{
    {Command::CreateDatabase,
     u"create-database",
     u"",
     u"create an empty Rankhold.mdb (never overwrites), or\nthe tables in an empty PostgreSQL database",
     {}},
    {Command::Info, u"info", u"", u"Number of records / Number of players / Filesize", {}},
    {Command::Import,
     u"import",
     u" [--chain]",
     u"File > Import Scores.txt; --chain: export and upload after it",
     {u"--chain"}},
    {Command::Export,
     u"export",
     u" [--upload]",
     u"File > Export Stats to HTML; --upload: upload at its end",
     {u"--upload"}},
    {Command::Upload, u"upload", u"", u"File > Upload HTML by FTP", {}},
    {Command::FtpFingerprint,
     u"ftp-fingerprint",
     u"",
     u"show the SHA-256 fingerprint, subject and expiry of the\nFTP server's TLS certificate; stores nothing",
     {}},
    {Command::GameHostKey,
     u"game-host-key",
     u"",
     u"show the SSH host key fingerprint of the sftp:// game\nhost and whether it is trusted; stores nothing",
     {}},
    {Command::Compact, u"compact", u"", u"Compact database", {}},
    {Command::Delete,
     u"delete",
     u" (--all | --matching | --not-matching) [--yes]",
     u"delete records; asks on the terminal unless --yes",
     {u"--all", u"--matching", u"--not-matching", u"--yes"}},
    {Command::Watch,
     u"watch",
     u" [--chain] [--interval SECONDS]",
     u"the scheduled import, every 30 s by default, until\nSIGINT or SIGTERM",
     {u"--chain", u"--interval"}},
    {Command::CopyDatabase,
     u"copy-database",
     u" --to URL",
     u"copy every row of Rankhold.mdb into an empty\nPostgreSQL database, in one transaction",
     {u"--to"}},
    {Command::Status,
     u"status",
     u"",
     u"what the last rounds did: the last import, export and\nupload, the last error (status.json)",
     {}},
    {Command::Players,
     u"players",
     u" (merge ALIAS --into NAME | unmerge ALIAS | hide NAME | show NAME | suggest | list | log)",
     u"who is who on the player portal: merge names into one\nplayer and take them apart, keep players off the boards\n"
     "and show them again, names that may be one player's,\nevery name, the log of changes",
     {u"--into"}},
    {Command::Help, u"help", u" [COMMAND]", u"the help of every command, or of one", {}},
}};

const CommandSpec &specOf(Command command)
{
    return *std::find_if(kCommands.begin(), kCommands.end(), [command](const auto &c) { return c.command == command; });
}

const CommandSpec *commandNamed(const QString &name)
{
    for (const CommandSpec &c : kCommands) {
        if (name == QStringView(c.name))
            return &c;
    }
    return nullptr;
}

const OptionSpec *find(std::span<const OptionSpec> table, QStringView name)
{
    for (const OptionSpec &o : table) {
        if (name == QStringView(o.name))
            return &o;
    }
    return nullptr;
}

bool takesOwn(const CommandSpec &command, QStringView option)
{
    return std::any_of(command.options.begin(), command.options.end(),
                       [option](const char16_t *name) { return name && option == QStringView(name); });
}

// "  name VALUE" padded to the help column, then the help, its further lines indented.
QString helpRows(const QString &left, const char16_t *help)
{
    constexpr qsizetype kColumn = 29;
    const QStringList lines = QString::fromUtf16(help).split(u'\n');
    QString text = u"  "_s + left;
    // A long left side gets the help on the lines below it.
    text = text.size() < kColumn ? text.leftJustified(kColumn - 1) + u' ' + lines.first() + u'\n'
                                 : text + u'\n' + QString(kColumn, u' ') + lines.first() + u'\n';
    for (qsizetype i = 1; i < lines.size(); ++i)
        text += QString(kColumn, u' ') + lines.at(i) + u'\n';
    return text;
}

QString optionRow(const OptionSpec &o)
{
    QString left = QString::fromUtf16(o.name);
    if (o.value)
        left += u' ' + QString::fromUtf16(o.value);
    return helpRows(left, o.help);
}

QString usageLine(const CommandSpec &c)
{
    return u"Usage: rankhold-cli [--program-folder DIR] [--game-folder DIR] "_s + QString::fromUtf16(c.name) +
           QString::fromUtf16(c.synopsis) + u'\n';
}

// Splits "--name=value" so both spellings of an option with a value work.
std::pair<QString, std::optional<QString>> splitArgument(const QString &text)
{
    if (text.startsWith(u"--"_s)) {
        const qsizetype eq = text.indexOf(u'=');
        if (eq > 2)
            return {text.left(eq), text.mid(eq + 1)};
    }
    return {text, std::nullopt};
}

// What each action of players takes: how many names, and --into.
void checkPlayersArguments(const CliOptions &o)
{
    static const std::pair<const char16_t *, int> actions[] = {
        {u"merge", 1}, {u"unmerge", 1}, {u"hide", 1}, {u"show", 1}, {u"suggest", 0}, {u"list", 0}, {u"log", 0}};
    if (o.arguments.isEmpty())
        throw CliUsageError(u"players needs what to do: merge, unmerge, hide, show, suggest, list or log"_s,
                            Command::Players);
    const QString &action = o.arguments.front();
    const auto known = std::find_if(std::begin(actions), std::end(actions),
                                    [&](const auto &a) { return action == QStringView(a.first); });
    if (known == std::end(actions))
        throw CliUsageError(u"players does not know '%1'"_s.arg(action.left(60)), Command::Players);
    const qsizetype names = o.arguments.size() - 1;
    if (names != known->second)
        throw CliUsageError(known->second == 0
                                ? u"players %1 takes no name"_s.arg(action)
                                : u"players %1 takes one name (in quotes when it has blanks)"_s.arg(action),
                            Command::Players);
    if ((action == u"merge"_s) != !o.into.isEmpty())
        throw CliUsageError(action == u"merge"_s ? u"players merge needs --into NAME"_s
                                                 : u"only players merge takes --into"_s,
                            Command::Players);
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
    const CommandSpec *command = nullptr;
    bool helpCommand = false;
    bool helpOption = false;
    // Options are checked against the command once it is known: it may
    // come after them.
    QStringList ownOptions;
    // The first error, thrown once the command it concerns is known.
    std::optional<QString> error;
    auto fail = [&error](const QString &message) {
        if (!error)
            error = message;
    };
    bool endOfOptions = false;

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (endOfOptions) {
            options.arguments.append(arguments.at(i));
            continue;
        }
        const auto [name, inlineValue] = splitArgument(arguments.at(i));
        if (name == u"--version"_s) {
            options.command = Command::Version;
            return options;
        }
        if (name == u"-h"_s || name == u"--help"_s) {
            helpOption = true;
            continue;
        }
        // The names given to players may begin with a dash (clan tags do);
        // after "--" every argument is one.
        if (command && command->command == Command::Players) {
            if (name == u"--"_s) {
                endOfOptions = true;
                continue;
            }
            if (!name.startsWith(u"--"_s)) {
                options.arguments.append(arguments.at(i));
                continue;
            }
        }
        if (!name.startsWith(u'-') || name == u"-"_s) {
            if (helpCommand && !options.helpTopic) {
                const CommandSpec *topic = commandNamed(name);
                if (!topic)
                    throw CliUsageError(u"unknown command '%1'"_s.arg(name));
                options.helpTopic = topic->command;
            } else if (command) {
                fail(u"unexpected argument '%1'"_s.arg(name));
            } else if (const CommandSpec *c = commandNamed(name)) {
                command = c;
                helpCommand = c->command == Command::Help;
            } else {
                throw CliUsageError(u"unknown command '%1'"_s.arg(name));
            }
            continue;
        }
        if (name == u"--password"_s) {
            // A password on the command line is visible to every user of the machine.
            fail(u"the FTP password is not taken from the command line; set RANKHOLD_FTP_PASSWORD or use "
                 "--password-file FILE"_s);
            if (!inlineValue && i + 1 < arguments.size())
                ++i; // the password itself is neither a command nor shown
            continue;
        }
        const OptionSpec *option = find(kCommonOptions, name);
        if (!option) {
            option = find(kCommandOptions, name);
            if (option)
                ownOptions.append(name);
        }
        if (!option) {
            fail(u"unknown option '%1'"_s.arg(name));
            continue;
        }
        QString value;
        if (option->value) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < arguments.size()) {
                value = arguments.at(++i);
            } else {
                fail(u"%1 needs a value"_s.arg(name));
                continue;
            }
        } else if (inlineValue) {
            fail(u"%1 takes no value"_s.arg(name));
            continue;
        }
        try {
            option->apply(options, value);
        } catch (const CliUsageError &e) {
            fail(e.message());
        }
    }

    if (helpOption || helpCommand) {
        options.command = Command::Help;
        if (command && !helpCommand)
            options.helpTopic = command->command;
        return options;
    }
    const std::optional<Command> context = command ? std::optional(command->command) : std::nullopt;
    if (error)
        throw CliUsageError(*error, context);
    if (!command)
        throw CliUsageError(u"no command given"_s);
    options.command = command->command;
    for (const QString &name : std::as_const(ownOptions)) {
        if (!takesOwn(*command, name))
            throw CliUsageError(u"%1 does not take %2"_s.arg(QString::fromUtf16(command->name), name), context);
    }
    if (options.command == Command::Delete && !options.deleteMode)
        throw CliUsageError(u"delete needs one of --all, --matching and --not-matching"_s, context);
    if (options.command == Command::CopyDatabase && options.copyTarget.isEmpty())
        throw CliUsageError(u"copy-database needs --to URL"_s, context);
    if (options.command == Command::Players)
        checkPlayersArguments(options);
    return options;
}

QString cliUsageText()
{
    QString text = u"Usage: rankhold-cli [--program-folder DIR] [--game-folder DIR] COMMAND [OPTIONS]\n\nCommands:\n"_s;
    for (const CommandSpec &c : kCommands)
        text += helpRows(QString::fromUtf16(c.name) + QString::fromUtf16(c.synopsis), c.summary);
    text += u"\nOptions of every command:\n"_s;
    for (const OptionSpec &o : kCommonOptions)
        text += optionRow(o);
    text += u"  --version                  the program's version\n"
            "\n"
            "'rankhold-cli help COMMAND' or 'rankhold-cli COMMAND --help' shows the options of one\n"
            "command. Every other option comes from Rankhold.ini of the program folder.\n"
            "Exit codes: 0 the command did its job, 1 it failed, 2 usage error.\n"_s;
    return text;
}

QString cliCommandHelp(Command command)
{
    const CommandSpec &c = specOf(command);
    QString text = usageLine(c) + u'\n' + QString::fromUtf16(c.summary).replace(u'\n', u' ') + u".\n"_s;
    QString rows;
    for (const char16_t *name : c.options) {
        if (const OptionSpec *o = name ? find(kCommandOptions, name) : nullptr)
            rows += optionRow(*o);
    }
    if (!rows.isEmpty())
        text += u"\nOptions:\n"_s + rows;
    text += u"\nThe options of every command (--program-folder, --game-folder, --database,\n"
            "--user, --password-file, --game-password-file, --game-identity): rankhold-cli help\n"_s;
    return text;
}

QString cliUsageHint(std::optional<Command> command)
{
    if (!command)
        return u"Usage: rankhold-cli [--program-folder DIR] [--game-folder DIR] COMMAND [OPTIONS]\n"
               "Run 'rankhold-cli help' for the commands and their options.\n"_s;
    const CommandSpec &c = specOf(*command);
    return usageLine(c) + u"Run 'rankhold-cli help %1' for its options.\n"_s.arg(QString::fromUtf16(c.name));
}

QString cliVersionText()
{
    return u"rankhold-cli "_s + QStringLiteral(RANKHOLD_VERSION);
}
