#include "gamehost/HostGameConfig.h"

#include "common/TextFiles.h"
#include "ftp/SocketErrors.h"
#include "gamehost/HostFolder.h"
#include "platform/Paths.h"

using namespace Qt::StringLiterals;

namespace {

const QString kName = u"dflw.cfg"_s;
const QString kUpload = u"dflw.cfg.rankhold-new"_s;
// As the window reads it: far above any real dflw.cfg.
constexpr qint64 kLimit = qint64(16) << 20;

} // namespace

namespace hostgameconfig {

void fetch(HostFolder &host, const QString &localCopy)
{
    if (!host.stat(kName).exists) {
        platform::removeFile(localCopy);
        return;
    }
    QByteArray bytes;
    host.fetch(kName, 0, [&bytes](QByteArrayView piece) {
        bytes.append(piece);
        return bytes.size() <= kLimit;
    });
    if (bytes.size() > kLimit)
        throw RankholdError(u"dflw.cfg on the game host is larger than 16 MB"_s);
    writeFileAtomically(localCopy, bytes);
}

void store(HostFolder &host, const QString &localCopy)
{
    host.store(kUpload, readFileBytes(localCopy, kLimit));
    try {
        host.rename(kUpload, kName);
    } catch (const ENetworkError &e) {
        // Hosts whose rename keeps an existing name (SFTP's, Windows'):
        // the old file goes first, at the last moment.
        if (!host.isPermissionRefusal(e) && !dynamic_cast<const ESocketError *>(&e) &&
            !dynamic_cast<const ESocketAborted *>(&e)) {
            host.remove(kName);
            host.rename(kUpload, kName);
            return;
        }
        throw;
    }
}

} // namespace hostgameconfig
