#include "gamehost/GameHost.h"

#include "gamehost/FtpHostFolder.h"
#include "gamehost/SftpHostFolder.h"

std::unique_ptr<HostFolder> makeHostFolder(const GameHost &gameHost, CommandHost &host)
{
    if (gameHost.address.kind == GameHostAddress::Kind::Sftp)
        return std::make_unique<SftpHostFolder>(gameHost.address, gameHost.logIn, host);
    return std::make_unique<FtpHostFolder>(gameHost.address, gameHost.logIn, host);
}
