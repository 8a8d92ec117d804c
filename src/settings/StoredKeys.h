#pragma once

#include <QString>

class ProgramFolder;

// The keys of Rankhold.ini that are no control of the main window: each is
// written by the command that learns it and read where it is used, through
// here, so that this folder alone opens the file.

// [FTPSettings] fingerprint: the SHA-256 fingerprint of an upload server's
// certificate the operator trusts whatever its issuer; empty when none.
QString trustedFtpFingerprint(const ProgramFolder &folder);
// Throws RankholdError "Unable to write to %s".
void storeTrustedFtpFingerprint(const ProgramFolder &folder, const QString &fingerprint);

// [Database] url: the database on a server; empty for Rankhold.mdb.
QString databaseUrlSetting(const ProgramFolder &folder);
// [Database] timeout: seconds a statement on the server may take, as
// written (empty: the default).
QString databaseTimeoutSetting(const ProgramFolder &folder);
