#pragma once

#include <QString>

class ProgramFolder;

// [GameHost] of Rankhold.ini: a game on another machine, reached by FTP,
// FTP with TLS or SFTP. Its password is never kept here.
struct GameHostSettings {
    QString url;         // url: ftp://, ftps:// or sftp://user@host[:port]/path; empty: the local game folder
    QString identity;    // identity: the SSH key file for sftp://
    QString hostKey;     // hostkey: SHA256:... pinned SSH host key
    QString fingerprint; // fingerprint: a pinned certificate for ftps://
    bool keep = false;   // keep: "on" leaves the score file on the host (read-only accounts)
};

GameHostSettings readGameHostSettings(const ProgramFolder &folder);
// Writes every key of the section; throws RankholdError "Unable to write to %s".
void writeGameHostSettings(const ProgramFolder &folder, const GameHostSettings &settings);
