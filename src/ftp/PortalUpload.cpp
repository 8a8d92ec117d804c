#include "ftp/PortalUpload.h"

#include "common/ProgramFolder.h"
#include "common/RankholdError.h"
#include "common/TextFiles.h"
#include "ftp/FtpClient.h"
#include "platform/Paths.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

const QString kRemoteFolder = u"portal"_s;
// Stores between two saves of the manifest, so an upload cut off by a kill
// sends little again.
constexpr int kSaveEvery = 100;

// The portal's own files: its pages, stylesheet, script and data, at most
// one folder deep (a file left half-written by a build that was cut off is none).
bool isPortalFile(const QString &path)
{
    static const QRegularExpression file(u"^([a-z]+/)?[a-z0-9_~.-]+\\.(html|css|js|json)$"_s);
    return file.match(path).hasMatch();
}

// The root's pages after those they lead to, the index last.
int sendOrder(const QString &path)
{
    if (path.endsWith(u".css"_s) || path.endsWith(u".js"_s))
        return 0;
    if (path.contains(u'/'))
        return 1;
    return path == u"index.html"_s ? 3 : 2;
}

QString remote(const QString &path)
{
    return kRemoteFolder + u'/' + path;
}

} // namespace

PortalUpload::PortalUpload(const ProgramFolder &folder, const QString &target)
    : m_site(folder.portalFolder()), m_removedFile(folder.portalRemovedFile()),
      m_manifest(folder.portalManifest(), target, isPortalFile)
{
}

void PortalUpload::makeFolder(TFtpClient &client, const QString &folder)
{
    // A folder that is there already is refused with 550 like one that
    // cannot be made; a store into a folder that is missing says which.
    client.Transaction("MKD " + folder.toUtf8());
}

void PortalUpload::send(TFtpClient &client)
{
    if (!platform::directoryExists(m_site))
        return;
    try {
        // A second round sends what a folder made again on the server lost.
        for (int round = 0; round < 2; ++round) {
            m_folderRemade = false;
            UploadManifest::Difference difference = m_manifest.compare(m_site, isPortalFile);
            if (!difference.changed.empty())
                sendFiles(client, std::move(difference.changed));
            deleteGone(client, difference.gone);
            if (!m_folderRemade)
                break;
        }
    } catch (const RankholdError &) {
        // What arrived before the failure is written down; the failure of
        // the upload is what the caller reports.
        try {
            m_manifest.save();
        } catch (const RankholdError &) {
        }
        throw;
    }
    m_manifest.save();
}

bool PortalUpload::remakeFolders(TFtpClient &client, const QString &path)
{
    // Made again (257) means the server had lost the folder, and with it
    // every file the manifest says was sent there.
    QStringList folders{QString()};
    if (path.contains(u'/'))
        folders.append(path.section(u'/', 0, -2));
    bool remade = false;
    for (const QString &folder : folders) {
        client.Transaction("MKD " + (folder.isEmpty() ? kRemoteFolder : remote(folder)).toUtf8());
        if (client.replyNumber() == 257) {
            m_manifest.forgetFolder(folder);
            remade = true;
        }
    }
    m_folderRemade = m_folderRemade || remade;
    return remade;
}

void PortalUpload::sendFiles(TFtpClient &client, std::vector<UploadManifest::File> files)
{
    if (m_manifest.isEmpty())
        makeFolder(client, kRemoteFolder);
    QStringList folders;
    for (const UploadManifest::File &f : files) {
        const QString folder = f.path.section(u'/', 0, -2);
        if (!folder.isEmpty() && !folders.contains(folder) && !m_manifest.holdsFolder(folder))
            folders.append(folder);
    }
    for (const QString &folder : folders)
        makeFolder(client, remote(folder));

    std::stable_sort(files.begin(), files.end(), [](const auto &a, const auto &b) {
        return sendOrder(a.path) != sendOrder(b.path) ? sendOrder(a.path) < sendOrder(b.path) : a.path < b.path;
    });
    for (const UploadManifest::File &f : files) {
        // A store cut off half-way leaves unknown bytes on the server: the
        // file is sent again even if it gets back its old content.
        m_manifest.forget(f.path);
        try {
            client.Upload(platform::joinPath(m_site, f.path), remote(f.path));
        } catch (const EFtpError &) {
            // Refused as a name that cannot be stored: its folder may be gone.
            const int refusal = client.replyNumber();
            if ((refusal != 550 && refusal != 553) || !remakeFolders(client, f.path))
                throw;
            client.Upload(platform::joinPath(m_site, f.path), remote(f.path));
        }
        m_manifest.record(f);
        if (++m_sent % kSaveEvery == 0)
            m_manifest.save();
    }
}

QSet<QString> PortalUpload::removedByBuilds() const
{
    QSet<QString> removed;
    try {
        if (!platform::fileExists(m_removedFile))
            return removed;
        for (const QByteArray &line : readFileBytes(m_removedFile, qint64(64) << 20).split('\n')) {
            const QString path = QString::fromUtf8(line);
            if (isPortalFile(path))
                removed.insert(path);
        }
    } catch (const RankholdError &) {
        // Unreadable: nothing is deleted on the server this time.
    }
    return removed;
}

void PortalUpload::deleteGone(TFtpClient &client, const QStringList &gone)
{
    // Only pages that a build removed are deleted there: a portal folder
    // emptied or lost on this machine never empties the server's.
    QSet<QString> removed = removedByBuilds();
    QByteArray pending;
    for (const QString &path : gone) {
        if (!removed.contains(path)) {
            // Not this program's doing: the server keeps it, and the record forgets it.
            m_manifest.forget(path);
            continue;
        }
        client.Transaction("DELE " + remote(path).toUtf8());
        // Deleted, or not there: either way the server no longer has it.
        if (client.replyNumber() == 250 || client.replyNumber() == 550)
            m_manifest.forget(path);
        else
            pending += path.toUtf8() + '\n';
    }
    if (platform::fileExists(m_removedFile)) {
        if (pending.isEmpty())
            platform::removeFile(m_removedFile);
        else
            writeFileAtomically(m_removedFile, pending);
    }
}
