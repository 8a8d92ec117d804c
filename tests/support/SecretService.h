#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A keyring for the tests: a D-Bus session bus of its own with
// gnome-keyring-daemon's Secret Service on it, its keyrings in a temporary
// folder and its login keyring unlocked. While it lives, this process finds
// it through DBUS_SESSION_BUS_ADDRESS (the variable is put back after).
// Check isRunning() (errorText() says why not) before use.
class SecretService
{
public:
    SecretService();
    ~SecretService();

    bool isRunning() const { return m_running; }
    QString errorText() const { return m_error; }

private:
    bool start();

    QTemporaryDir m_folder;
    QProcess m_bus;
    QProcess m_keyring;
    QByteArray m_oldAddress;
    bool m_hadAddress = false;
    bool m_running = false;
    QString m_error;
};
