#pragma once

#include <QString>

// What a log-in to the game host takes besides its address: never written
// to Rankhold.ini (the password) or only by the operator (the pins).
struct HostLogIn {
    QString password;     // FTP, and SFTP when no key is taken
    QString identityFile; // SFTP: the private key; empty: the agent, then the password
    QString hostKey;      // SFTP: "SHA256:..." trusted whatever known_hosts says
    QString knownHosts;   // SFTP: the known_hosts file; empty: ~/.ssh/known_hosts
    QString fingerprint;  // FTPS: a certificate trusted whatever its issuer
    int timeOutMs = 60000;
};
