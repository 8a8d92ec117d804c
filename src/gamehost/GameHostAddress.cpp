#include "gamehost/GameHostAddress.h"

#include "common/RankholdError.h"

#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

[[noreturn]] void refuse(const QString &why)
{
    throw RankholdError(u"Not a game host URL: "_s + why,
                        u"A game host is ftp://user@host[:port]/path, ftps://user@host[:port]/path or "
                        "sftp://user@host[:port]/path"_s);
}

} // namespace

bool isGameHostUrl(const QString &text)
{
    const QString t = text.trimmed().toLower();
    return t.startsWith(u"ftp://"_s) || t.startsWith(u"ftps://"_s) || t.startsWith(u"sftp://"_s);
}

GameHostAddress parseGameHostUrl(const QString &text)
{
    const QString trimmed = text.trimmed();
    const qsizetype schemeEnd = trimmed.indexOf(u"://"_s);
    if (schemeEnd < 0 || !isGameHostUrl(trimmed))
        refuse(u"it must start with ftp://, ftps:// or sftp://"_s);
    // The part before the host: a password there is refused before anything
    // else is looked at, and never quoted.
    const qsizetype hostStart = schemeEnd + 3;
    const qsizetype pathStart = trimmed.indexOf(u'/', hostStart);
    const QString authority = trimmed.mid(hostStart, pathStart < 0 ? -1 : pathStart - hostStart);
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0 && authority.left(at).contains(u':'))
        throw RankholdError(u"The game host URL holds a password; a password is never taken from a URL"_s,
                            u"Give it in RANKHOLD_GAME_PASSWORD or --game-password-file FILE, or in the window"_s);

    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid())
        refuse(cutForMessage(url.errorString()));
    GameHostAddress a;
    const QString scheme = url.scheme().toLower();
    a.kind = scheme == u"sftp"_s   ? GameHostAddress::Kind::Sftp
             : scheme == u"ftps"_s ? GameHostAddress::Kind::Ftps
                                   : GameHostAddress::Kind::Ftp;
    a.user = url.userName(QUrl::FullyDecoded);
    a.host = url.host(QUrl::FullyDecoded);
    if (a.host.isEmpty())
        refuse(u"it names no host"_s);
    if (a.user.isEmpty())
        refuse(u"it names no user (user@host)"_s);
    a.port = url.port(a.kind == GameHostAddress::Kind::Sftp ? 22 : 21);
    if (a.port <= 0 || a.port > 65535)
        refuse(u"the port is not one from 1 to 65535"_s);
    if (!url.query().isEmpty() || !url.fragment().isEmpty())
        refuse(u"it has a '?' or '#' part"_s);
    QString path = url.path(QUrl::FullyDecoded);
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    if (a.kind == GameHostAddress::Kind::Sftp) {
        // The path of an SFTP URL is the absolute path on the host.
        a.folder = path.isEmpty() ? u"/"_s : path;
    } else {
        // As curl reads an FTP URL: the path is relative to the log-in
        // folder, and "//srv" (an encoded "/") makes it absolute.
        a.folder = path.startsWith(u'/') ? path.mid(1) : path;
    }
    return a;
}

QString GameHostAddress::text() const
{
    const QString scheme = kind == Kind::Sftp ? u"sftp"_s : kind == Kind::Ftps ? u"ftps"_s : u"ftp"_s;
    const int standard = kind == Kind::Sftp ? 22 : 21;
    QString t = scheme + u"://"_s + user + u'@' + host;
    if (port != standard)
        t += u':' + QString::number(port);
    if (kind == Kind::Sftp)
        return t + (folder.startsWith(u'/') ? folder : u'/' + folder);
    return t + u'/' + folder;
}

QString GameHostAddress::path(const QString &name) const
{
    if (folder.isEmpty())
        return name;
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}
