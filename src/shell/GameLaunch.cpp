#include "shell/GameLaunch.h"

bool runGameStatEnabled(const QString &, bool)
{
    return false;
}

void storeGameFolder(const QString &) {}
