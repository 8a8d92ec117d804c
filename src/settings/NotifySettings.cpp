#include "settings/NotifySettings.h"

#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "platform/ProfileFile.h"

using namespace Qt::StringLiterals;

QString notifyUrl(const ProgramFolder &folder)
{
    return platform::ProfileFile(folder.settingsFile()).readString(u"Notify"_s, u"url"_s, {});
}

void setNotifyUrl(const ProgramFolder &folder, const QString &url)
{
    platform::ProfileFile ini(folder.settingsFile());
    if (!ini.writeString(u"Notify"_s, u"url"_s, url.trimmed()))
        throw RankholdError(u"Unable to write to %1"_s.arg(folder.settingsFile()));
}

QString portalUrl(const ProgramFolder &folder)
{
    return platform::ProfileFile(folder.settingsFile()).readString(u"Portal"_s, u"url"_s, {});
}
