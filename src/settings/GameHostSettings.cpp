#include "settings/GameHostSettings.h"

#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "platform/ProfileFile.h"

using namespace Qt::StringLiterals;

namespace {

const QString kSection = u"GameHost"_s;

} // namespace

GameHostSettings readGameHostSettings(const ProgramFolder &folder)
{
    const platform::ProfileFile ini(folder.settingsFile());
    GameHostSettings s;
    s.url = ini.readString(kSection, u"url"_s, {});
    s.identity = ini.readString(kSection, u"identity"_s, {});
    s.hostKey = ini.readString(kSection, u"hostkey"_s, {});
    s.fingerprint = ini.readString(kSection, u"fingerprint"_s, {});
    s.keep = ini.readString(kSection, u"keep"_s, u"off"_s) == u"on"_s;
    return s;
}

void writeGameHostSettings(const ProgramFolder &folder, const GameHostSettings &s)
{
    platform::ProfileFile ini(folder.settingsFile());
    const bool written = ini.writeString(kSection, u"url"_s, s.url) &&
                         ini.writeString(kSection, u"identity"_s, s.identity) &&
                         ini.writeString(kSection, u"hostkey"_s, s.hostKey) &&
                         ini.writeString(kSection, u"fingerprint"_s, s.fingerprint) &&
                         ini.writeString(kSection, u"keep"_s, s.keep ? u"on"_s : u"off"_s);
    if (!written)
        throw RankholdError(u"Unable to write to %1"_s.arg(folder.settingsFile()));
}
