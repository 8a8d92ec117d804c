#include "settings/StoredKeys.h"

#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "platform/ProfileFile.h"

using namespace Qt::StringLiterals;

QString trustedFtpFingerprint(const ProgramFolder &folder)
{
    return platform::ProfileFile(folder.settingsFile()).readString(u"FTPSettings"_s, u"fingerprint"_s, {});
}

void storeTrustedFtpFingerprint(const ProgramFolder &folder, const QString &fingerprint)
{
    if (!platform::ProfileFile(folder.settingsFile()).writeString(u"FTPSettings"_s, u"fingerprint"_s, fingerprint))
        throw RankholdError(u"Unable to write to %1"_s.arg(folder.settingsFile()));
}

QString databaseUrlSetting(const ProgramFolder &folder)
{
    return platform::ProfileFile(folder.settingsFile()).readString(u"Database"_s, u"url"_s, {});
}

QString databaseTimeoutSetting(const ProgramFolder &folder)
{
    return platform::ProfileFile(folder.settingsFile()).readString(u"Database"_s, u"timeout"_s, {});
}
