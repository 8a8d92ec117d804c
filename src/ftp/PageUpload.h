#pragma once

#include "common/CommandHost.h"
#include "settings/Settings.h"

#include <QString>
#include <memory>

class ProgramFolder;
class QTimer;
class TFtpClient;

// How an upload ended.
struct UploadOutcome {
    bool ok = false; // "FTP: Filetransfer OK"
    // Why it failed, in one line (the socket error and the address tried, the
    // server's reply, the step that timed out); empty when it worked.
    QString cause;
};

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

    // Stores every existing page of `folder` in the fixed order, then, with
    // `withPortal`, what the server lacks of the player portal (PortalUpload)
    // over the same log-in. Failures end as status texts; only a refused
    // QUIT is thrown (RankholdError). Refused with a status text while
    // another upload runs.
    UploadOutcome upload(const Settings &settings, const ProgramFolder &folder, bool withPortal = false);
    bool isBusy() const;
    // True once a log-in of the current (or last) upload succeeded.
    bool connected() const;

    // Milliseconds per network wait (0 = wait for ever).
    void setTimeOut(int milliseconds);
    // The client itself, for its mode and events (active mode by default).
    TFtpClient &ftpClient();

private:
    void FTPBytes();

    struct Private;
    std::unique_ptr<Private> d;
};

// Shown when an upload is asked for while one is still running.
inline const QString kUploadBusyText = QStringLiteral("FTP: Upload already in progress");
// The cause of an upload given up because the program is stopping.
inline const QString kStoppedCause =
    QStringLiteral("the upload was given up because the program is stopping; the pages are whole on disk, and the "
                   "next upload sends what the server lacks");
