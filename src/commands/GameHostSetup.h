#pragma once

#include "gamehost/GameHost.h"

#include <optional>

class ProgramFolder;

// The game host of a run: `given` when it is a game host URL (--game-folder),
// otherwise url= of [GameHost]; nothing for a game in a local folder. The
// log-in's key, pins and the keep switch come from [GameHost] unless `logIn`
// brings them. Throws RankholdError for a URL that is not one.
std::optional<GameHost> gameHostOf(const ProgramFolder &folder, const QString &given, HostLogIn logIn);
