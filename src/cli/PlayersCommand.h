#pragma once

#include "cli/CliOptions.h"

class CliSession;
class TerminalHost;

// rankhold-cli players: who is who on the player portal (see PlayerNames).
// The changes take effect on the portal at the next export. Returns the
// exit code and lets RankholdError through.
int runPlayers(CliSession &session, TerminalHost &host, const CliOptions &options);
