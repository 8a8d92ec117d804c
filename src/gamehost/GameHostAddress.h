#pragma once

#include <QString>

// Where a game on another machine keeps its files: the URL of the game
// folder on its host. The password is never part of it.
struct GameHostAddress {
    enum class Kind { Ftp, Ftps, Sftp };
    Kind kind = Kind::Ftp;
    QString user;
    QString host;
    int port = 21;
    // The game folder on the host: "/srv/dflw", or relative to the log-in
    // folder for FTP ("dflw"); empty for the log-in folder itself.
    QString folder;

    // "ftp://user@host:port/path", as given back to the operator.
    QString text() const;
    // The folder joined with a file name, as the host names it.
    QString path(const QString &name) const;
    bool operator==(const GameHostAddress &) const = default;
};

// Whether the text names a game host rather than a local folder.
bool isGameHostUrl(const QString &text);
// ftp://user@host[:port]/path, ftps://... (explicit TLS), sftp://... (the
// path absolute on the host). Throws RankholdError naming what is wrong;
// a URL with a password is refused without repeating it.
GameHostAddress parseGameHostUrl(const QString &text);
