#include "commands/StartUp.h"

#include "commands/AppState.h"
#include "commands/GameFolderRecord.h"
#include "commands/SystemPanel.h"
#include "common/RankholdError.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "scores/DatabaseLocation.h"
#include "settings/SettingsFile.h"

using namespace Qt::StringLiterals;

namespace {

// Settings loaded into a copy of the controls; whatever a loader changed
// before it failed reaches the controls all the same, as it would have
// reached them one by one.
template <typename Loader> void loadIntoView(StartUpView &view, const ProgramFolder &programFolder, Loader load)
{
    Settings settings = view.currentSettings();
    try {
        load(programFolder, settings);
    } catch (...) {
        view.applySettings(settings);
        throw;
    }
    view.applySettings(settings);
}

void runStep(AppState &state, StartUpView &view, const std::function<void()> &updateDBInfo,
             const platform::Registry &registry, StartUpStep step)
{
    switch (step) {
    case StartUpStep::GameFolder:
        state.gameFolder = GameFolderRecord::read(registry);
        break;
    case StartUpStep::BrowserFolder:
        state.browserFolder = registry.readString(platform::kBrowserAppPathsKey, u"Path"_s).value_or(QString());
        // The stored value ends in a separator (";" or "\"); it goes whether or not a value was read.
        state.browserFolder.chop(1);
        break;
    case StartUpStep::ProgramFolder:
        state.programFolder = ProgramFolder(platform::currentDirectory());
        break;
    case StartUpStep::HeaderAndFooter:
        loadIntoView(view, state.programFolder, loadHeaderAndFooter);
        break;
    case StartUpStep::SettingsFile:
        loadIntoView(view, state.programFolder, loadSettingsFile);
        break;
    case StartUpStep::TotalMemory:
        state.totalMemoryMB = totalMemoryMB(platform::memoryStatus().totalPhysicalBytes);
        break;
    case StartUpStep::ConnectionString:
        // Rankhold.mdb, unless [Database] of Rankhold.ini names a server.
        state.database.setLocation(databaseLocationOf(state.programFolder));
        break;
    case StartUpStep::OpenDatabase:
        state.database.open();
        state.database.openTable();
        state.database.dataSet(3).open();
        break;
    case StartUpStep::CpuSpeed:
        view.showCpuSpeed(cpuSpeedText(GetCPUSpeed()));
        break;
    case StartUpStep::SystemName:
        view.showSystemName(systemName(platform::osVersion()));
        break;
    case StartUpStep::GameCheck:
        // An empty folder is checked as well ("/dflw.exe") and is missing in practice.
        if (!platform::fileExists(GameFolderRecord::executable(state.gameFolder)))
            view.showMessage(kMissingGameText);
        break;
    case StartUpStep::DatabaseFigures:
        updateDBInfo();
        break;
    }
}

} // namespace

std::optional<StartUpStep> runStartUp(AppState &state, StartUpView &view, const std::function<void()> &updateDBInfo,
                                      const platform::Registry &registry)
{
    for (int i = int(StartUpStep::GameFolder); i <= int(StartUpStep::DatabaseFigures); ++i) {
        const auto step = StartUpStep(i);
        try {
            runStep(state, view, updateDBInfo, registry, step);
        } catch (const RankholdError &e) {
            view.showError(e.message());
            return step;
        } catch (const std::exception &e) {
            view.showError(QString::fromLocal8Bit(e.what()));
            return step;
        }
    }
    return std::nullopt;
}
