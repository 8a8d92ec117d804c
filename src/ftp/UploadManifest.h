#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// What uploads have sent of a folder to one place on one server: for each
// file (by its path below the folder, "/" between folders), the SHA-256 of
// the bytes the server took, with the size and time stamp the file had then,
// so a file with the same size and time stamp is not read again. Entries are
// added one store at a time, so the manifest of an upload that failed or was
// cut off says what arrived, and the next upload sends the rest.
class UploadManifest
{
public:
    struct File {
        QString path; // below the folder
        QByteArray sha256;
        qint64 size = 0;
        qint64 modified = 0; // milliseconds since the epoch
    };
    struct Difference {
        std::vector<File> changed; // files the server lacks, or holds other bytes of
        QStringList gone;          // files sent that are no longer in the folder
    };

    // `target` names the server, user and directory; a manifest of another
    // target (or none) is empty: everything is sent. So is a damaged one:
    // a line that cannot be read, or a path that `allowed` refuses (one that
    // would lead out of the folder), since the record is data, never orders.
    UploadManifest(QString path, QString target, const std::function<bool(const QString &)> &allowed);

    // The folder's files against what was sent. `wanted` picks the files
    // that belong to the upload (by path below the folder).
    Difference compare(const QString &folder, const std::function<bool(const QString &)> &wanted);
    void record(const File &file);
    void forget(const QString &path);
    // Forgets every file below `folder` (an empty one: every file).
    void forgetFolder(const QString &folder);
    bool isEmpty() const { return m_files.isEmpty(); }
    // Whether a file below `folder` was sent (so the folder exists there).
    bool holdsFolder(const QString &folder) const;

    // Replaces the file as a whole when it changed. Throws RankholdError
    // "Cannot create file %s".
    void save();

private:
    QString m_path;
    QString m_target;
    QHash<QString, File> m_files;
    bool m_changed = false;
};
