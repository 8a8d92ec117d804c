#include "settings/SettingsFile.h"

#include "core/RankholdError.h"

void loadHeaderAndFooter(const QString &, Settings &) {}
void loadSettingsFile(const QString &, Settings &) {}
void saveSettings(const QString &, const Settings &)
{
    throw RankholdError(QStringLiteral("Saving settings is not built yet"));
}
