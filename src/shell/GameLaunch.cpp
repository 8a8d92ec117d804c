#include "shell/GameLaunch.h"

#include "core/RankholdError.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/System.h"

using namespace Qt::StringLiterals;

bool runGameStatEnabled(const QString &gameFolder, bool highPriority)
{
    const int priorityClass = highPriority ? platform::kHighPriorityClass : platform::kNormalPriorityClass;
    // The program's own class stays so after the launch; each launch sets it again.
    platform::setProcessPriorityClass(priorityClass);
    // The folder is one argument of its own, so blanks in it need no quoting.
    return platform::startDetachedProcess(platform::joinPath(gameFolder, u"dflw.exe"_s), {u"/s"_s}, gameFolder,
                                          priorityClass);
}

void storeGameFolder(const QString &gameFolder)
{
    storeGameFolder(gameFolder, platform::Registry::defaultFileName());
}

void storeGameFolder(const QString &gameFolder, const QString &registryFileName)
{
    platform::Registry registry(registryFileName);
    if (!registry.writeString(platform::kDflwAppPathsKey, u"Path"_s, gameFolder))
        throw RankholdError(u"Failed to set data for '%1'"_s.arg(u"Path"_s));
}
