#include "commands/PortalExport.h"

#include "commands/AppState.h"
#include "common/CommandHost.h"
#include "settings/PortalSwitch.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

std::optional<portal::BuildResult> exportPortal(AppState &state, CommandHost &host)
{
    const ProgramFolder &folder = state.programFolder;
    if (!portalEnabled(folder))
        return std::nullopt;
    host.setActivityText(u"Exporting Player Portal"_s);
    host.repaintStatus();
    // A build of every page takes a while on a long history: the progress
    // bar follows it and the window keeps answering (its commands are
    // refused while the chain runs).
    QElapsedTimer sinceTurn;
    sinceTurn.start();
    const auto progress = [&](int percent) {
        if (sinceTurn.elapsed() < 100)
            return;
        host.setProgress(percent);
        host.processEvents();
        sinceTurn.restart();
    };
    const portal::BuildResult built = portal::buildPortal(
        state.database.connection(), {folder.portalFolder(), folder.portalStateFile(), folder.portalRemovedFile()},
        QDateTime::currentDateTime(), progress, {portalMinGames(folder)});
    host.setProgress(0);
    host.setActivityText(kIdle);
    return built;
}
