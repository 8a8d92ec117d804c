#include "commands/PortalExport.h"

#include "commands/AppState.h"
#include "common/CommandHost.h"
#include "settings/PortalSwitch.h"

using namespace Qt::StringLiterals;

std::optional<portal::BuildResult> exportPortal(AppState &state, CommandHost &host)
{
    const ProgramFolder &folder = state.programFolder;
    if (!portalEnabled(folder))
        return std::nullopt;
    host.setActivityText(u"Exporting Player Portal"_s);
    host.repaintStatus();
    const portal::BuildResult built = portal::buildPortal(
        state.database.connection(), {folder.portalFolder(), folder.portalStateFile()}, QDateTime::currentDateTime());
    host.setActivityText(kIdle);
    return built;
}
