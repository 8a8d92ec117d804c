#pragma once

#include "core/RankholdError.h"

#include <QString>
#include <QStringList>
#include <optional>

// The command line of rankhold-cli, parsed and checked before anything runs.
struct CliOptions {
    enum class Command { Help, CreateDatabase, Info, Import, Export, Upload, Compact, Delete, Watch };
    enum class DeleteMode { All, Matching, NotMatching };

    Command command = Command::Help;
    QString programFolder; // --program-folder; empty: the current folder
    QString gameFolder;    // --game-folder; empty: from the registry store
    bool chain = false;    // import --chain, export --upload, watch --chain
    std::optional<DeleteMode> deleteMode;
    bool yes = false;               // delete --yes
    int intervalSeconds = 30;       // watch --interval
    std::optional<QString> ftpUser; // --user
    QString passwordFile;           // --password-file

    // Whether the command may end with an upload (and so needs the FTP log-in).
    bool mayUpload() const;
};

// A command line that cannot be run; the program prints the message and the
// usage text and ends with exit code 2.
class CliUsageError : public RankholdError
{
public:
    using RankholdError::RankholdError;
};

// `arguments` without the program name. Throws CliUsageError.
CliOptions parseCliOptions(const QStringList &arguments);
QString cliUsageText();

inline constexpr int kMaxIntervalSeconds = 86400;
