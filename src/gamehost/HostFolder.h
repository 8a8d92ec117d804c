#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <functional>

// The game folder on its host, over one log-in: what a round of the import
// and the game settings need of it. Every call waits with the socket
// layer's one wait (its time-out, a Cancel, a request to stop the program)
// and throws ENetworkError, whose cause tells the operator what failed,
// when the host cannot be reached or refuses.
class HostFolder
{
public:
    struct Entry {
        bool exists = false;
        qint64 size = 0;
        QString modTime; // "YYYYMMDDhhmmss" UTC; empty when the host does not say
    };
    using Sink = std::function<bool(QByteArrayView)>;

    virtual ~HostFolder() = default;

    // Connects, logs in and goes into the game folder.
    virtual void open() = 0;
    // Logs out; never throws (a host that is gone is simply left).
    virtual void close() = 0;
    virtual Entry stat(const QString &name) = 0;
    // The bytes of `name` from `offset` on, piece by piece into `sink`,
    // which may answer false to abandon the rest. Returns the bytes received.
    virtual qint64 fetch(const QString &name, qint64 offset, const Sink &sink) = 0;
    virtual void rename(const QString &from, const QString &to) = 0;
    virtual void remove(const QString &name) = 0;
    // Writes `name` with `bytes`, replacing it when it exists.
    virtual void store(const QString &name, const QByteArray &bytes) = 0;
    // Lets `ms` pass in the same wait as the network's (the event loop
    // turns); a Cancel or a request to stop throws as a network wait does.
    virtual void pause(int ms) = 0;
    // Whether a refusal (an EFtpError, an SFTP status) says the account may
    // not change files there, rather than that the host failed.
    virtual bool isPermissionRefusal(const std::exception &error) const = 0;
};
