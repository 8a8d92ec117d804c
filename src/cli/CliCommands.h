#pragma once

#include "cli/CliOptions.h"

class CliSession;
class TerminalHost;

// The commands that run once and end; each returns the exit code (0 when the
// whole command did its job, 1 otherwise) and lets RankholdError through.
int runCreateDatabase(CliSession &session);
int runInfo(CliSession &session, TerminalHost &host);
int runImport(CliSession &session, const CliOptions &options);
int runExport(CliSession &session, const CliOptions &options);
int runUpload(CliSession &session);
// Connects to the server of [FTPSettings] with TLS and prints its
// certificate, trusted or not, so the operator can pin it.
int runFtpFingerprint(CliSession &session, TerminalHost &host);
// The SSH host key of the sftp:// game host: its fingerprint as ssh-keygen
// -lf prints it, and whether known_hosts or [GameHost] hostkey trust it.
int runGameHostKey(CliSession &session, TerminalHost &host);
int runCompact(CliSession &session);
int runDelete(CliSession &session, TerminalHost &host, const CliOptions &options);
// status.json of the program folder, for a person.
int runStatus(CliSession &session, TerminalHost &host);
// Rankhold.mdb of the program folder into the empty database of --to.
int runCopyDatabase(CliSession &session, TerminalHost &host, const CliOptions &options);
