#pragma once

#include <QString>

// Run DFLW stat-enabled (Button1Click, after the switch-on of the options):
// sets this program's priority class (high or normal) and starts
// GameFolder/dflw.exe with "/s" in GameFolder at that class. Reports nothing;
// returns whether a process started.
bool runGameStatEnabled(const QString &gameFolder, bool highPriority);
