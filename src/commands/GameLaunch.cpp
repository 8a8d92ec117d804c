#include "commands/GameLaunch.h"

#include "commands/GameFolderRecord.h"
#include "platform/System.h"

using namespace Qt::StringLiterals;

bool runGameStatEnabled(const QString &gameFolder, bool highPriority)
{
    const int priorityClass = highPriority ? platform::kHighPriorityClass : platform::kNormalPriorityClass;
    // The program's own class stays so after the launch; each launch sets it again.
    platform::setProcessPriorityClass(priorityClass);
    // The folder is one argument of its own, so blanks in it need no quoting.
    return platform::startDetachedProcess(GameFolderRecord::executable(gameFolder), {u"/s"_s}, gameFolder,
                                          priorityClass);
}
