#pragma once

#include "core/CommandHost.h"
#include "settings/Settings.h"

#include <QString>
#include <memory>

class QTimer;
class TFtpClient;

// File > Upload HTML by FTP (UploadHTMLbyFTP1Click). Owns the FTP client
// (FtpClient1) for the whole run, the connected flag and the upload result.
// `progressTimer` is Timer3 (10 ms): enabled while pages are transferred,
// its ticks move the progress bar (FTPBytes).
class PageUploader
{
public:
    // Each network wait of the main window's client gives up after this
    // long, so an unattended upload to a silent server ends.
    static constexpr int kDefaultTimeOut = 60000;

    PageUploader(QTimer &progressTimer, CommandHost &host);
    ~PageUploader();

    // Stores every existing page of `programFolder` in the fixed order.
    // Failures end as status texts; only a refused QUIT is thrown
    // (RankholdError). Returns true when the whole upload worked ("FTP:
    // Filetransfer OK"). Refused with a status text while another upload runs.
    bool upload(const Settings &settings, const QString &programFolder);
    bool isBusy() const;
    // True once a log-in of the current (or last) upload succeeded.
    bool connected() const;

    // Milliseconds per network wait (0 = wait for ever).
    void setTimeOut(int milliseconds);
    // The client itself, for its mode and events (active mode by default).
    TFtpClient &ftpClient();

    // The remote names, in upload order.
    static const QStringList &pageNames();
    // "host" or "host:port" from the server box; port 21 when none is given.
    static void splitServer(const QString &server, QString *host, int *port);

private:
    void FTPBytes();

    struct Private;
    std::unique_ptr<Private> d;
};

// Shown when an upload is asked for while one is still running.
inline const QString kUploadBusyText = QStringLiteral("FTP: Upload already in progress");
