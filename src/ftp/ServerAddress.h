#pragma once

#include <QString>

// What the server box (`server=` of [FTPSettings]) names: "host" and
// "host:port" are plain FTP as they always were; "ftp://host[:port]" is the
// same; "ftps://host[:port]" is FTP with explicit TLS (port 21 unless given).
struct ServerAddress {
    QString host;
    int port = 21;
    bool tls = false;
};

ServerAddress parseServerAddress(const QString &server);
