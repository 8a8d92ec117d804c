#include "ftp/PageUpload.h"

#include "common/ProgramFolder.h"
#include "common/Rounding.h"
#include "ftp/FtpClient.h"
#include "ftp/PortalUpload.h"
#include "ftp/ServerAddress.h"
#include "platform/Paths.h"
#include "settings/StoredKeys.h"

#include <QScopeGuard>
#include <QTimer>

using namespace Qt::StringLiterals;

struct PageUploader::Private {
    Private(QTimer &timer, CommandHost &h) : progressTimer(timer), host(h) {}

    QTimer &progressTimer;
    CommandHost &host;
    TFtpClient client;
    QMetaObject::Connection tick;
    bool connected = false;
    bool resultOk = false;
    bool busy = false;
    bool stopped = false; // the program was told to stop during this upload
    QString cause;
    const ProgramFolder *folder = nullptr; // of the upload in progress
};

PageUploader::PageUploader(QTimer &progressTimer, CommandHost &host) : d(std::make_unique<Private>(progressTimer, host))
{
    d->progressTimer.setInterval(10);
    d->progressTimer.stop();
    d->tick = QObject::connect(&d->progressTimer, &QTimer::timeout, [this] { FTPBytes(); });
    d->client.TimeOut = kDefaultTimeOut;

    CommandHost &h = d->host;
    // On a stop every wait of the client ends at its next turn, the stores
    // and the QUIT among them: the pages stay whole on disk, and the next
    // upload sends what the server lacks.
    d->client.OnWaitTurn = [this] {
        d->host.processEvents();
        if (d->host.stopRequested()) {
            d->stopped = true;
            d->client.Abort();
            d->client.Cancel();
        }
    };
    d->client.OnHostResolved = [&h](TAsyncSocket &) { h.setActivityText(u"FTP: Host found"_s); };
    // Not handled: the client gives up instead of trying the same name again.
    d->client.OnInvalidHost = [&h](bool &handled) {
        h.setActivityText(u"FTP: Host not found"_s);
        handled = false;
    };
    d->client.OnConnectionFailed = [&h](TAsyncSocket &) { h.setActivityText(u"FTP: Wrong user or password"_s); };
    d->client.OnSecureConnectionFailed = [&h](TFtpClient &, TlsFailure failure) {
        h.setActivityText(failure == TlsFailure::Certificate ? u"FTP: Certificate not trusted"_s
                                                             : u"FTP: Secure connection failed"_s);
    };
    // Yes in the host's box trusts the certificate from now on: its
    // fingerprint goes into [FTPSettings] of the program folder.
    d->client.OnUntrustedCertificate = [this](const platform::tls::PeerCertificate &certificate, bool &trust) {
        trust = d->host.askTrustCertificate(d->client.Host, certificate);
        if (!trust || !d->folder)
            return;
        try {
            storeTrustedFtpFingerprint(*d->folder, certificate.fingerprint);
        } catch (const RankholdError &) {
            // Trusted for this upload; the next one asks again.
        }
    };
    d->client.OnConnect = [this](TAsyncSocket &) {
        d->host.setActivityText(u"FTP: Connected"_s);
        d->connected = true;
    };
}

PageUploader::~PageUploader()
{
    QObject::disconnect(d->tick);
}

bool PageUploader::isBusy() const
{
    return d->busy;
}

bool PageUploader::connected() const
{
    return d->connected;
}

void PageUploader::setTimeOut(int milliseconds)
{
    d->client.TimeOut = milliseconds;
}

TFtpClient &PageUploader::ftpClient()
{
    return d->client;
}

void PageUploader::FTPBytes()
{
    // Between two files there is no data connection; an empty file has no share to show.
    if (!d->client.hasDataConnection() || d->client.bytesTotal() == 0)
        return;
    // An exact half goes to the even neighbour, as every figure of the window.
    const double share = double(d->client.BytesSent()) / double(d->client.bytesTotal()) * 100.0;
    d->host.setProgress(int(roundHalfEven(share)));
}

UploadOutcome PageUploader::upload(const Settings &settings, const ProgramFolder &folder, bool withPortal)
{
    // The window stays responsive during an upload, so the menu or a
    // scheduled export can ask again; one upload at a time on the client.
    if (d->busy) {
        d->host.setActivityText(kUploadBusyText);
        return {false, kUploadBusyText};
    }
    d->busy = true;
    d->folder = &folder;
    const auto notBusy = qScopeGuard([this] {
        d->busy = false;
        d->folder = nullptr;
    });
    d->cause.clear();
    d->stopped = false;

    TFtpClient &client = d->client;
    CommandHost &host = d->host;
    // A login of an earlier upload says nothing about this one.
    d->connected = false;

    host.setActivityText(u"FTP: Starting"_s);
    const ServerAddress address = parseServerAddress(settings.ftpServer);
    client.Host = address.host;
    client.Port = address.port;
    client.UseTls = address.tls;
    // A certificate the operator trusts whatever its issuer (not a control
    // of the window, so it lives in the settings file alone).
    client.TrustedFingerprint = trustedFtpFingerprint(folder);
    client.UserID = settings.ftpUser;
    client.Password = settings.ftpPassword;

    try {
        client.Connect();
    } catch (const RankholdError &e) {
        // The client's events have already said what went wrong.
        d->cause = causeOf(e);
    }
    if (!d->connected) {
        if (d->stopped)
            d->cause = kStoppedCause;
        if (!settings.ftpPassword.isEmpty())
            d->cause.replace(settings.ftpPassword, u"***"_s);
        return {false, d->cause};
    }

    d->resultOk = true;
    if (!settings.ftpDirectory.isEmpty()) {
        try {
            client.ChangeDir(settings.ftpDirectory);
        } catch (const RankholdError &e) {
            host.setActivityText(u"FTP: Directory not found"_s);
            d->cause = causeOf(e);
            d->resultOk = false;
        }
    }
    if (d->resultOk)
        host.setActivityText(u"FTP: Filetransfer Started"_s);

    d->progressTimer.start();
    try {
        for (const ProgramFolder::Page page : ProgramFolder::kPages) {
            const QString local = folder.pagePath(page);
            if (platform::fileExists(local))
                client.Upload(local, ProgramFolder::pageName(page));
        }
        // Not into the log-in folder when the directory was not found.
        if (withPortal && d->resultOk)
            PortalUpload(folder, settings.ftpServer + u'\n' + settings.ftpUser + u'\n' + settings.ftpDirectory)
                .send(client);
    } catch (const RankholdError &e) {
        host.setActivityText(u"FTP: Filetransfer Failed"_s);
        d->cause = causeOf(e);
        d->resultOk = false;
    }
    d->progressTimer.stop();

    if (d->resultOk)
        host.setActivityText(u"FTP: Filetransfer OK"_s);
    host.setProgress(0);

    try {
        client.Disconnect();
    } catch (const EFtpError &) {
        throw; // the server refused QUIT: the caller shows it
    } catch (const RankholdError &) {
        // A connection that is already gone or silent: it is closed now,
        // and an unattended upload must not stop on an error box.
    }
    if (d->stopped && !d->resultOk)
        d->cause = kStoppedCause;
    // The cause is shown and printed: never with the password in it.
    if (!settings.ftpPassword.isEmpty())
        d->cause.replace(settings.ftpPassword, u"***"_s);
    return {d->resultOk, d->resultOk ? QString() : d->cause};
}
