#include "platform/keyring/Keyring.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QUuid>
#include <memory>
#include <qt6keychain/keychain.h>

using namespace Qt::StringLiterals;

namespace platform::keyring {

namespace {

const QString kService = u"Rankhold"_s;
constexpr int kLongestWaitMs = 120000;

// The session bus as the keyring libraries find it: the address in the
// environment, or the user's bus of systemd. Never started for this (an
// autolaunched bus has no keyring in it).
QString sessionBusAddress()
{
    const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!address.isEmpty())
        return address;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString socket = runtime + u"/bus"_s;
    if (!runtime.isEmpty() && QFileInfo(socket).exists())
        return u"unix:path="_s + socket;
    return {};
}

struct Finished {
    bool done = false;
    QKeychain::Error error = QKeychain::OtherError;
    QString errorText;
    QString secret;
};

// Runs a job of QtKeychain to its end. The job deletes itself when it ends,
// also after a wait that gave up on it.
template <typename Job> Outcome run(Job *job, const QString &name)
{
    QString why;
    if (!serviceAvailable(&why)) {
        delete job;
        return {Status::NoService, {}, why};
    }
    auto state = std::make_shared<Finished>();
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [state, &loop](QKeychain::Job *finished) {
        state->done = true;
        state->error = finished->error();
        state->errorText = finished->errorString();
        if (auto *reader = qobject_cast<QKeychain::ReadPasswordJob *>(finished))
            state->secret = reader->textData();
        loop.quit();
    });
    job->setAutoDelete(true);
    job->setInsecureFallback(false); // never a file in the clear
    job->setKey(name);
    job->start();
    QTimer::singleShot(kLongestWaitMs, &loop, &QEventLoop::quit);
    if (!state->done)
        loop.exec();
    if (!state->done)
        return {Status::Failed, {}, u"the keyring did not answer within two minutes"_s};
    switch (state->error) {
    case QKeychain::NoError:
        return {Status::Done, state->secret, {}};
    case QKeychain::EntryNotFound:
        return {Status::NotFound, {}, {}};
    case QKeychain::NoBackendAvailable:
        return {Status::NoService, {}, state->errorText};
    default:
        return {Status::Failed, {}, state->errorText};
    }
}

} // namespace

bool serviceAvailable(QString *why)
{
    const QString address = sessionBusAddress();
    if (address.isEmpty()) {
        *why = u"there is no desktop session (no D-Bus session bus)"_s;
        return false;
    }
    const QString connection = u"rankhold-keyring-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool found = false;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, connection);
        if (bus.isConnected() && bus.interface()) {
            const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
            for (const QString &service :
                 {u"org.freedesktop.secrets"_s, u"org.kde.kwalletd6"_s, u"org.kde.kwalletd5"_s}) {
                if (bus.interface()->isServiceRegistered(service).value() ||
                    (activatable.isValid() && activatable.value().contains(service)))
                    found = true;
            }
        }
        if (!bus.isConnected())
            *why = u"the D-Bus session bus cannot be reached: "_s + bus.lastError().message();
        else if (!found)
            *why = u"no keyring service (Secret Service or KWallet) runs in this desktop session"_s;
    }
    QDBusConnection::disconnectFromBus(connection);
    return found;
}

Outcome read(const QString &name)
{
    return run(new QKeychain::ReadPasswordJob(kService), name);
}

Outcome write(const QString &name, const QString &secret)
{
    auto *job = new QKeychain::WritePasswordJob(kService);
    job->setTextData(secret);
    return run(job, name);
}

Outcome remove(const QString &name)
{
    return run(new QKeychain::DeletePasswordJob(kService), name);
}

} // namespace platform::keyring
