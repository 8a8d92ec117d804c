#include "ftp/ServerAddress.h"

using namespace Qt::StringLiterals;

namespace {

// "host" or "host:port"; a port that is no port stays part of the host, as
// it always did (the look-up then fails and says so).
void splitHostPort(const QString &text, ServerAddress *address)
{
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon > 0 && text.indexOf(u':') == colon) {
        bool ok = false;
        const int value = text.mid(colon + 1).toInt(&ok);
        if (ok && value > 0 && value < 65536) {
            address->host = text.left(colon);
            address->port = value;
            return;
        }
    }
    address->host = text;
    address->port = 21;
}

} // namespace

ServerAddress parseServerAddress(const QString &server)
{
    ServerAddress address;
    QString rest = server.trimmed();
    if (rest.startsWith(u"ftps://"_s, Qt::CaseInsensitive)) {
        address.tls = true;
        rest = rest.mid(7);
    } else if (rest.startsWith(u"ftp://"_s, Qt::CaseInsensitive)) {
        rest = rest.mid(6);
    } else {
        splitHostPort(rest, &address);
        return address;
    }
    if (rest.endsWith(u'/'))
        rest.chop(1);
    splitHostPort(rest, &address);
    return address;
}
