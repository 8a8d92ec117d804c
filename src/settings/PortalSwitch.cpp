#include "settings/PortalSwitch.h"

#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "platform/ProfileFile.h"

using namespace Qt::StringLiterals;

namespace {

const QString kSection = u"Portal"_s;
const QString kKey = u"Enabled"_s;
const QString kMinGamesKey = u"MinGames"_s;
constexpr int kDefaultMinGames = 10;

} // namespace

bool portalEnabled(const ProgramFolder &folder)
{
    return platform::ProfileFile(folder.settingsFile()).readString(kSection, kKey, u"off"_s) == u"on"_s;
}

int portalMinGames(const ProgramFolder &folder)
{
    bool ok = false;
    const int n = platform::ProfileFile(folder.settingsFile()).readString(kSection, kMinGamesKey, {}).toInt(&ok);
    return ok && n >= 0 ? n : kDefaultMinGames;
}

void setPortalEnabled(const ProgramFolder &folder, bool enabled)
{
    platform::ProfileFile ini(folder.settingsFile());
    if (!ini.writeString(kSection, kKey, enabled ? u"on"_s : u"off"_s))
        throw RankholdError(u"Unable to write to %1"_s.arg(folder.settingsFile()));
}
