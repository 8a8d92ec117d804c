#include "commands/GameHostSetup.h"

#include "settings/GameHostSettings.h"

std::optional<GameHost> gameHostOf(const ProgramFolder &folder, const QString &given, HostLogIn logIn)
{
    const GameHostSettings settings = readGameHostSettings(folder);
    const QString url = isGameHostUrl(given) ? given : given.isEmpty() ? settings.url : QString();
    if (url.isEmpty())
        return std::nullopt;
    GameHost host;
    host.address = parseGameHostUrl(url);
    if (logIn.identityFile.isEmpty())
        logIn.identityFile = settings.identity;
    if (logIn.hostKey.isEmpty())
        logIn.hostKey = settings.hostKey;
    if (logIn.fingerprint.isEmpty())
        logIn.fingerprint = settings.fingerprint;
    host.logIn = logIn;
    host.keep = settings.keep;
    return host;
}
