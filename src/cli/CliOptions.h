#pragma once

#include "common/RankholdError.h"

#include <QString>
#include <QStringList>
#include <optional>

// The command line of rankhold-cli, parsed and checked before anything runs.
struct CliOptions {
    enum class Command {
        Help,
        Version,
        CreateDatabase,
        Info,
        Import,
        Export,
        Upload,
        FtpFingerprint,
        GameHostKey,
        Compact,
        Delete,
        Watch,
        CopyDatabase,
        Status,
        Players
    };
    enum class DeleteMode { All, Matching, NotMatching };

    Command command = Command::Help;
    // Help: the command whose own help was asked for ("help import",
    // "import --help"); nothing for the help of the whole program.
    std::optional<Command> helpTopic;
    QString programFolder; // --program-folder; empty: the current folder
    QString gameFolder;    // --game-folder (a folder or a game host URL); empty: [GameHost] url, or the registry store
    bool chain = false;    // import --chain, export --upload, watch --chain
    std::optional<DeleteMode> deleteMode;
    bool yes = false;               // delete --yes
    int intervalSeconds = 30;       // watch --interval
    std::optional<QString> ftpUser; // --user
    QString passwordFile;           // --password-file
    QString gamePasswordFile;       // --game-password-file
    QString gameIdentity;           // --game-identity
    QString databaseUrl;            // --database; empty: [Database] url of Rankhold.ini, or Rankhold.mdb
    QString copyTarget;             // copy-database --to
    // players: what to do (merge, unmerge, hide, show, suggest, list, log)
    // and the names it is given; --into.
    QStringList arguments;
    QString into;

    // Whether the command may end with an upload (and so needs the FTP log-in).
    bool mayUpload() const;
};

// A command line that cannot be run: the program prints the message, the
// usage of the command it concerns (or of the program) and where its help
// is, and ends with exit code 2.
class CliUsageError : public RankholdError
{
public:
    CliUsageError(QString message, std::optional<CliOptions::Command> command = std::nullopt)
        : RankholdError(std::move(message)), m_command(command)
    {
    }
    std::optional<CliOptions::Command> command() const { return m_command; }

private:
    std::optional<CliOptions::Command> m_command;
};

// `arguments` without the program name. Throws CliUsageError.
CliOptions parseCliOptions(const QStringList &arguments);

// The help of the whole program: every command and the options of every command.
QString cliUsageText();
// The help of one command: its usage line, what it does, its own options.
QString cliCommandHelp(CliOptions::Command command);
// What a usage error adds below its message: the usage line of the command
// (of the program when there is none) and where the full help is.
QString cliUsageHint(std::optional<CliOptions::Command> command);
// "rankhold-cli 1.0"
QString cliVersionText();

inline constexpr int kMaxIntervalSeconds = 86400;
