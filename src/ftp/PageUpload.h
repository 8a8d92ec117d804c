#pragma once

#include "core/CommandHost.h"
#include "settings/Settings.h"

#include <QString>
#include <memory>

class QTimer;

// File > Upload HTML by FTP (UploadHTMLbyFTP1Click). Owns the FTP client
// (FtpClient1) for the whole run, the connected flag and the upload result.
// `progressTimer` is Timer3 (10 ms): enabled while pages are transferred,
// its ticks move the progress bar (FTPBytes).
class PageUploader
{
public:
    PageUploader(QTimer &progressTimer, CommandHost &host);
    ~PageUploader();

    // Stores every existing page of `programFolder` in the fixed order.
    // Failures end as status texts; only a refused QUIT is thrown
    // (RankholdError). Returns true when the whole upload worked ("FTP:
    // Filetransfer OK"). Refused with a status text while another upload runs.
    bool upload(const Settings &settings, const QString &programFolder);
    bool isBusy() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
