#pragma once

#include "settings/Settings.h"

#include <QString>
#include <functional>
#include <optional>

struct AppState;
namespace platform {
class Registry;
}

// What the start-up sequence shows on the main window. The GUI answers with
// its controls and boxes; tests with a recording fake.
class StartUpView
{
public:
    virtual ~StartUpView() = default;

    // The controls as they stand, and the controls replaced by a settings value.
    virtual Settings currentSettings() const = 0;
    virtual void applySettings(const Settings &settings) = 0;
    virtual void showCpuSpeed(const QString &text) = 0;   // Label20
    virtual void showSystemName(const QString &text) = 0; // Label68
    // Plain message box with an OK button, titled with the application title.
    virtual void showMessage(const QString &text) = 0;
    // The standard error box with the error's own message.
    virtual void showError(const QString &message) = 0;
};

// Two carriage returns between the parts, as the message is built; a box
// that does not break lines at a bare CR shows them as line breaks.
inline const QString kMissingGameText =
    QStringLiteral("Cannot find Delta Force Land Warrior\r\rUse the Set DFLW Folder option in the Extra menu to "
                   "manually locate the folder.");

// The steps of the start-up sequence, in their order.
enum class StartUpStep {
    GameFolder = 1,
    BrowserFolder,
    ProgramFolder,
    HeaderAndFooter,
    SettingsFile,
    TotalMemory,
    ConnectionString,
    OpenDatabase,
    CpuSpeed,
    SystemName,
    GameCheck,
    DatabaseFigures,
};

// Runs the start-up sequence of the main window (FormCreate) on `state`:
// game and browser folder from the registry, ProgramFolder = the current
// directory, header/footer and settings into the view, TotalMemoryMB, the
// database file and connection, CPU speed, system name, the check for the
// game and `updateDBInfo`. An error raised by a step is shown with
// showError and ends the sequence there; the step is returned then, nothing
// when every step ran. The connection panel follows the database's own
// connection listener, which the caller installs.
std::optional<StartUpStep> runStartUp(AppState &state, StartUpView &view, const std::function<void()> &updateDBInfo,
                                      const platform::Registry &registry);
