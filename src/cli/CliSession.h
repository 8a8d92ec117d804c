#pragma once

#include "cli/CliOptions.h"
#include "commands/AppState.h"
#include "commands/MainCommands.h"
#include "settings/Settings.h"

#include <QTimer>
#include <memory>

class TerminalHost;

// What the main window sets up at start-up, without the window: the program
// and game folders, the database connection, the settings source and the
// commands. The settings are read from the program folder's files each time
// a command runs, as the window reads its controls then.
class CliSession
{
public:
    // Resolves the folders and reads the FTP password. Throws RankholdError.
    CliSession(const CliOptions &options, TerminalHost &host);
    ~CliSession();

    AppState &state() { return m_state; }
    MainCommands &commands() { return *m_commands; }
    // Rankhold.ini, header.txt and footer.txt with this run's command-line values.
    Settings readSettings() const;
    // Opens the connection as start-up does; throws the engine's error.
    void openDatabase();
    // The game folder is needed by the import; throws when none is known or it does not exist.
    void requireGameFolder() const;

private:
    const CliOptions &m_options;
    AppState m_state;
    QString m_password;
    bool m_passwordGiven = false;
    QTimer m_progressTimer; // Timer3
    std::unique_ptr<MainCommands> m_commands;
};

// The FTP password's environment variable.
inline constexpr char kPasswordVariable[] = "RANKHOLD_FTP_PASSWORD";
// The game host's.
inline constexpr char kGamePasswordVariable[] = "RANKHOLD_GAME_PASSWORD";
