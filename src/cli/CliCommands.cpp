#include "cli/CliCommands.h"

#include "cli/CliSession.h"
#include "cli/TerminalHost.h"
#include "common/RankholdError.h"
#include "ftp/FtpClient.h"
#include "ftp/PageUpload.h"
#include "ftp/ServerAddress.h"
#include "gamehost/SftpHostFolder.h"
#include "notify/StatusRecord.h"
#include "platform/Terminal.h"
#include "scores/DatabaseCopy.h"
#include "scores/DatabaseFile.h"

using namespace Qt::StringLiterals;

namespace {

// A chained command fails unless its upload ended in "FTP: Filetransfer OK".
int chainExitCode(const std::optional<UploadOutcome> &upload)
{
    return upload && upload->ok ? 0 : 1;
}

} // namespace

int runCreateDatabase(CliSession &session)
{
    createDatabase(session.state().database.location());
    return 0;
}

int runCopyDatabase(CliSession &session, TerminalHost &host, const CliOptions &options)
{
    const QString file = session.state().programFolder.databaseFile();
    const DatabaseLocation target = parseDatabaseUrl(options.copyTarget);
    const qint64 rows = copyDatabase(file, target, [&host](int percent) { host.setProgress(percent); });
    host.setProgress(0);
    host.print(u"Copied %1 rows from %2 to %3"_s.arg(rows).arg(file, target.url));
    return 0;
}

int runInfo(CliSession &session, TerminalHost &host)
{
    session.openDatabase();
    session.commands().updateDBInfo();
    host.printFigures(host.figures());
    return 0;
}

int runImport(CliSession &session, const CliOptions &options)
{
    session.requireGameFolder();
    session.openDatabase();
    const ImportOutcome outcome = session.commands().importScores();
    // A game host that cannot be reached has been named on stderr.
    if (outcome.gameHost && !outcome.gameHost->reached)
        return 1;
    // No score file is not a failure: there was nothing to do, as in the window.
    if (!outcome.import.found)
        return 0;
    // A file that cannot be archived is read again every time: not a success.
    if (!outcome.archiveProblem.isEmpty())
        return 1;
    return options.chain ? chainExitCode(outcome.upload) : 0;
}

int runExport(CliSession &session, const CliOptions &options)
{
    session.openDatabase();
    const std::optional<UploadOutcome> upload = session.commands().exportStats();
    return options.chain ? chainExitCode(upload) : 0;
}

int runUpload(CliSession &session)
{
    return session.commands().uploadPages().ok ? 0 : 1;
}

int runFtpFingerprint(CliSession &session, TerminalHost &host)
{
    const ServerAddress address = parseServerAddress(session.readSettings().ftpServer);
    TFtpClient client;
    client.Host = address.host;
    client.Port = address.port;
    client.TimeOut = PageUploader::kDefaultTimeOut;
    client.OnWaitTurn = [&host] { host.processEvents(); };
    platform::tls::PeerCertificate certificate;
    try {
        certificate = client.FetchCertificate();
    } catch (const RankholdError &e) {
        host.note(causeOf(e));
        return 1;
    }
    host.print(u"SHA-256 fingerprint: "_s + certificate.fingerprint);
    host.print(u"Subject: "_s + certificate.subject);
    host.print(u"Issuer: "_s + certificate.issuer);
    host.print(u"Expires: "_s + certificate.expires);
    host.print(certificate.verified ? u"Trusted by the system's authorities for %1"_s.arg(address.host)
                                    : u"Not trusted: "_s + certificate.verifyError);
    return 0;
}

int runGameHostKey(CliSession &session, TerminalHost &host)
{
    const std::optional<GameHost> &gameHost = session.state().gameHost;
    if (!gameHost || gameHost->address.kind != GameHostAddress::Kind::Sftp) {
        host.note(u"game-host-key needs an sftp:// game host (--game-folder or url= of [GameHost])"_s);
        return 1;
    }
    SftpHostFolder folder(gameHost->address, gameHost->logIn, host);
    QString untrusted;
    platform::ssh::HostKey key;
    try {
        key = folder.fetchHostKey(&untrusted);
    } catch (const RankholdError &e) {
        host.note(causeOf(e));
        return 1;
    }
    // As ssh-keygen -lf prints it.
    host.print(u"%1 %2 %3 (%4)"_s.arg(QString::number(key.bits), key.fingerprint, gameHost->address.host, key.type));
    host.print(untrusted.isEmpty() ? u"Trusted"_s : u"Not trusted: "_s + untrusted);
    return 0;
}

int runStatus(CliSession &session, TerminalHost &host)
{
    const StatusRecord record = StatusRecord::read(session.state().programFolder.statusFile());
    host.print(statusText(record, QDateTime::currentDateTimeUtc()).chopped(1));
    return 0;
}

int runCompact(CliSession &session)
{
    session.openDatabase();
    return session.commands().compactDatabase() ? 0 : 1;
}

int runDelete(CliSession &session, TerminalHost &host, const CliOptions &options)
{
    if (options.yes) {
        host.setAnswer(TerminalHost::Answer::Yes);
    } else if (!platform::standardInputIsTerminal()) {
        throw RankholdError(u"delete asks for confirmation and there is no terminal to ask on: nothing deleted; "
                            "add --yes to delete without asking"_s);
    }
    session.openDatabase();
    MainCommands &commands = session.commands();
    if (*options.deleteMode == CliOptions::DeleteMode::All) {
        commands.deleteAllRecords();
    } else {
        commands.deleteRecordsByFilters(*options.deleteMode == CliOptions::DeleteMode::Matching);
    }
    if (!host.lastAnswer()) {
        host.note(u"Nothing deleted"_s);
        return 1;
    }
    // Without filter 1 the filter deletes do nothing; the window says nothing
    // then, a terminal user deserves a word (and it is not a failure).
    if (*options.deleteMode != CliOptions::DeleteMode::All && session.readSettings().filter1.isEmpty())
        host.note(u"Filter 1 (Filter1 in [HTML Creation] of Rankhold.ini) is empty: no records deleted"_s);
    return 0;
}
