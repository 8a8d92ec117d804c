#pragma once

#include "ftp/UploadManifest.h"

#include <QSet>
#include <QString>

class ProgramFolder;
class TFtpClient;

// The player portal on the web server: the program folder's "portal" as
// "portal" below the directory of the upload, sent over the log-in of the
// seven pages. Only what the server lacks is sent (see UploadManifest, kept
// in the program folder as "portal.sent"): after one more map, the pages
// that map changed. Folders are made on the server as needed; the pages of
// players, games or maps that a build removed are deleted there, and no
// other file: the record names only paths within "portal", and one that
// names another is no record at all (everything is sent again). A folder of the
// portal deleted on the server is noticed when a store into it is refused:
// it is made again and everything it held is sent again. A single file
// deleted there behind the program's back is not noticed (the manifest
// says it was sent); deleting "portal.sent" sends everything.
class PortalUpload
{
public:
    // `target` names the server, user and directory of the upload.
    PortalUpload(const ProgramFolder &folder, const QString &target);

    // Sends the files; the pages of the portal's root (the index last) go
    // after the pages they lead to. Throws RankholdError at the first store
    // that fails, the manifest saved with every store before it.
    void send(TFtpClient &client);
    int sent() const { return m_sent; }

private:
    void makeFolder(TFtpClient &client, const QString &folder);
    void sendFiles(TFtpClient &client, std::vector<UploadManifest::File> files);
    // After a store into `path` was refused: makes its folders; true when
    // one of them was missing on the server.
    bool remakeFolders(TFtpClient &client, const QString &path);
    void deleteGone(TFtpClient &client, const QStringList &gone);
    // The pages builds removed since the last upload (see ProgramFolder::portalRemovedFile).
    QSet<QString> removedByBuilds() const;

    QString m_site;
    QString m_removedFile;
    UploadManifest m_manifest;
    int m_sent = 0;
    bool m_folderRemade = false;
};
