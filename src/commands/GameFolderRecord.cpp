#include "commands/GameFolderRecord.h"

#include "common/RankholdError.h"
#include "platform/Paths.h"
#include "platform/Registry.h"

using namespace Qt::StringLiterals;

namespace GameFolderRecord {

namespace {
const QString kPathValue = u"Path"_s;
} // namespace

QString read(const platform::Registry &registry)
{
    return registry.readString(platform::kDflwAppPathsKey, kPathValue).value_or(QString());
}

void store(platform::Registry &registry, const QString &gameFolder)
{
    if (!registry.writeString(platform::kDflwAppPathsKey, kPathValue, gameFolder))
        throw RankholdError(u"Failed to set data for '%1'"_s.arg(kPathValue));
}

QString executable(const QString &gameFolder)
{
    return platform::joinPath(gameFolder, u"dflw.exe"_s);
}

QString scoreFile(const QString &gameFolder)
{
    return platform::joinPath(gameFolder, u"scores.txt"_s);
}

} // namespace GameFolderRecord
