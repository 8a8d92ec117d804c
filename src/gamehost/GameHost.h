#pragma once

#include "gamehost/GameHostAddress.h"
#include "gamehost/HostLogIn.h"

#include <memory>

class CommandHost;
class HostFolder;

// A game on another machine, as the commands are given it: where, how to
// log in, and whether its score file stays on the host.
struct GameHost {
    GameHostAddress address;
    HostLogIn logIn;
    bool keep = false;
    // How long a staged file must keep its size (shorter in tests).
    int settleMs = 1000;
};

// The host folder for the kind of URL (FTP, FTP with TLS, SFTP), not yet open.
std::unique_ptr<HostFolder> makeHostFolder(const GameHost &gameHost, CommandHost &host);
