#pragma once

#include <QString>

class HostFolder;

// dflw.cfg of a game on a host, edited as a copy in the program folder: the
// settings window reads and writes the copy as it does a local file.
namespace hostgameconfig {

// The whole file into `localCopy`, byte for byte; a host without one
// leaves no copy (the window then shows what it shows for a missing file).
void fetch(HostFolder &host, const QString &localCopy);
// The copy back to the host: under a temporary name first, then renamed
// over dflw.cfg, so the game never reads half a file.
void store(HostFolder &host, const QString &localCopy);

} // namespace hostgameconfig
